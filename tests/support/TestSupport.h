// Shared by the engine, file, command-line and fuzz tests: WAV files in memory,
// temporary folders, scripted dialogs and finished demonstrations.
#pragma once

#include "engine/RavelinDoc.h"
#include "files/WavHeader.h"
#include "support/WavFiles.h"
#include "words/UserPrompts.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace ravelin::test {

namespace fs = std::filesystem;

// ReadWavHeader on bytes in memory: where the stream stands after it, -1 when refused.
inline long ReadHeader(Bytes bytes, WavHeader& header)
{
    bytes.reserve(bytes.size() + 1); // fmemopen wants a buffer even for no bytes
    std::FILE* f = ::fmemopen(bytes.data(), bytes.size(), "rb");
    const long end = header.ReadWavHeader(f) == 0 ? std::ftell(f) : -1;
    std::fclose(f);
    return end;
}

// What WriteWavHeader writes; empty when it fails.
inline Bytes WriteHeader(const WavHeader& header)
{
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = ::open_memstream(&buffer, &size);
    const bool wrote = header.WriteWavHeader(out);
    std::fclose(out);
    const Bytes written(buffer, buffer + (wrote ? size : 0));
    std::free(buffer);
    return written;
}

// The whole file; empty when it cannot be read.
inline std::string ReadText(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
inline Bytes ReadBytes(const fs::path& p)
{
    const std::string s = ReadText(p);
    return {s.begin(), s.end()};
}
inline void WriteFile(const fs::path& p, const Bytes& b)
{
    if (!std::ofstream(p, std::ios::binary)
             .write(reinterpret_cast<const char*>(b.data()),
                    static_cast<std::streamsize>(b.size())))
        throw std::runtime_error("cannot write " + p.string());
}

// A fresh folder that others may enter (a test may drop root's privileges), removed
// with everything in it at the end.
class TempDir {
  public:
    explicit TempDir(const fs::path& base = fs::temp_directory_path())
    {
        std::string pattern = (base / "ravelin-test.XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a folder in " + base.string());
        m_path = pattern;
        fs::permissions(m_path, fs::perms(0755));
    }
    ~TempDir()
    {
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(m_path, ec); it != decltype(it)();
             it.increment(ec))
            if (it->is_directory(ec) && !it->is_symlink(ec))
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }
    // The names in the folder, sorted.
    std::vector<std::string> List() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(m_path))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    std::string m_path;
};

// Answers the dialogs from a script and records their titles and, as caption|icon|text
// lines, every message shown. The hooks run while a dialog would be open.
class ScriptedPrompts : public IUserPrompts {
  public:
    std::optional<std::string> openPath, savePath;
    std::function<void()> whileOpen = [] {}, whileSave = [] {};
    std::optional<std::uint64_t> cancelAt; // Progress returns false once done >= this
    std::vector<std::string> titles;
    std::string shown;

    std::optional<std::string> AskOpenPath(const std::string& title, const std::string&) override
    {
        titles.push_back(title);
        whileOpen();
        return openPath;
    }
    std::optional<std::string> AskSavePath(const std::string& title, const std::string&) override
    {
        titles.push_back(title);
        whileSave();
        return savePath;
    }
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override
    {
        shown += caption + "|" + std::to_string(static_cast<int>(icon)) + "|" + text + "\n";
    }
    bool Progress(std::uint64_t done, std::uint64_t) override
    {
        return !cancelAt || done < *cancelAt;
    }
};

// A document whose demonstration pair has run all 20 steps.
struct Finished : CRavelinDoc {
    Finished(int filter, int input)
    {
        m_nFilterPreset = filter;
        m_nInputPreset = input;
        for (int i = 0; i < 20; ++i)
            Advance();
    }
};

} // namespace ravelin::test
