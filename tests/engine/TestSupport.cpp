#include "TestSupport.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace ravelin::test {

void PutU16(Bytes& b, std::uint16_t v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutU32(Bytes& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutTag(Bytes& b, const char* tag)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(tag[i]));
}

Bytes MakeWav(const Format& f, const Bytes& data)
{
    const auto align = f.blockAlign >= 0 ? f.blockAlign : f.channels * f.bits / 8;
    Bytes b;
    PutTag(b, "RIFF");
    PutU32(b, static_cast<std::uint32_t>(36 + data.size()));
    PutTag(b, "WAVE");
    PutTag(b, "fmt ");
    PutU32(b, 16);
    PutU16(b, static_cast<std::uint16_t>(f.tag));
    PutU16(b, static_cast<std::uint16_t>(f.channels));
    PutU32(b, static_cast<std::uint32_t>(f.rate));
    PutU32(b, static_cast<std::uint32_t>(f.rate * align));
    PutU16(b, static_cast<std::uint16_t>(align));
    PutU16(b, static_cast<std::uint16_t>(f.bits));
    PutTag(b, "data");
    PutU32(b, static_cast<std::uint32_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

Bytes Samples16(const std::vector<std::int16_t>& samples)
{
    Bytes b;
    for (auto s : samples)
        PutU16(b, static_cast<std::uint16_t>(s));
    return b;
}

std::string ReadFileText(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

Bytes ReadFileBytes(const std::filesystem::path& p)
{
    const std::string s = ReadFileText(p);
    return {s.begin(), s.end()};
}

void WriteFileBytes(const std::filesystem::path& p, const Bytes& b)
{
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    if (!out)
        throw std::runtime_error("cannot write " + p.string());
}

TempDir::TempDir()
{
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto p = std::filesystem::temp_directory_path() / ("ravelin-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(p)) {
            m_path = p;
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

std::vector<std::string> TempDir::List() const
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(m_path))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::string> ScriptedPrompts::AskOpenPath(const std::string& title, const std::string&)
{
    titles.push_back(title);
    return openPath;
}

std::optional<std::string> ScriptedPrompts::AskSavePath(const std::string& title, const std::string&)
{
    titles.push_back(title);
    return savePath;
}

void ScriptedPrompts::ShowMessage(const std::string& text, const std::string& caption,
                                  MessageIcon icon)
{
    messages.push_back({text, caption, icon});
}

bool ScriptedPrompts::Progress(std::uint64_t done, std::uint64_t)
{
    return !cancelAt || done < *cancelAt;
}

} // namespace ravelin::test
