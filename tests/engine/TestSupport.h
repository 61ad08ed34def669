#pragma once

#include "files/UserPrompts.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ravelin::test {

using Bytes = std::vector<std::uint8_t>;

void PutU16(Bytes& b, std::uint16_t v);
void PutU32(Bytes& b, std::uint32_t v);
void PutTag(Bytes& b, const char* tag);

// The fields of a "fmt " chunk's first 16 bytes.
struct Format {
    std::int16_t tag = 1;
    std::int16_t channels = 1;
    std::int32_t rate = 8000;
    std::int16_t bits = 16;
    std::int16_t blockAlign = -1; // -1: channels * bits / 8
};

// A canonical 44-byte-header WAV file holding the given sample bytes.
Bytes MakeWav(const Format& f, const Bytes& data);
Bytes Samples16(const std::vector<std::int16_t>& samples);

std::string ReadFileText(const std::filesystem::path& p);
Bytes ReadFileBytes(const std::filesystem::path& p);
void WriteFileBytes(const std::filesystem::path& p, const Bytes& b);

// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }
    // Names of everything in the folder, sorted.
    std::vector<std::string> List() const;

private:
    std::filesystem::path m_path;
};

struct ShownMessage {
    std::string text;
    std::string caption;
    MessageIcon icon;
};

// Answers the dialogs from a script and records every message shown.
class ScriptedPrompts : public IUserPrompts {
public:
    std::optional<std::string> openPath;
    std::optional<std::string> savePath;
    std::vector<std::string> titles;
    std::vector<ShownMessage> messages;
    std::optional<std::uint64_t> cancelAt; // Progress returns false once done >= this

    std::optional<std::string> AskOpenPath(const std::string& title, const std::string&) override;
    std::optional<std::string> AskSavePath(const std::string& title, const std::string&) override;
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;
    bool Progress(std::uint64_t done, std::uint64_t total) override;
};

} // namespace ravelin::test
