#include "files/TextExport.h"

#include "engine/Commands.h"
#include "engine/NumberFormat.h"
#include "engine/RavelinDoc.h"
#include "files/AtomicFile.h"

namespace ravelin {

namespace {

constexpr TextExportLabels kUtf8Labels = {
    "タップ係数",
    "係数番号　タップ係数",
    "アニメーションの結果",
    "時刻　入力信号　出力信号",
};

// The same texts in Shift_JIS (code page 932), as a report or spreadsheet on a
// Japanese system reads them.
constexpr TextExportLabels kShiftJisLabels = {
    "\x83\x5E\x83\x62\x83\x76\x8C\x57\x90\x94",
    "\x8C\x57\x90\x94\x94\xD4\x8D\x86\x81\x40\x83\x5E\x83\x62\x83\x76\x8C\x57\x90\x94",
    "\x83\x41\x83\x6A\x83\x81\x81\x5B\x83\x56\x83\x87\x83\x93\x82\xCC\x8C\x8B\x89\xCA",
    "\x8E\x9E\x8D\x8F\x81\x40\x93\xFC\x97\xCD\x90\x4D\x8D\x86\x81\x40\x8F\x6F\x97\xCD\x90\x4D"
    "\x8D\x86",
};

} // namespace

std::string FormatTextExport(const CRavelinDoc& doc, TextEncoding encoding, const char* eol)
{
    return FormatTextExport(doc, encoding == TextEncoding::ShiftJis ? kShiftJisLabels : kUtf8Labels,
                            eol);
}

std::string FormatTextExport(const CRavelinDoc& doc, const TextExportLabels& l, const char* eol)
{
    std::string out;
    out += l.coefTitle;
    out += eol;
    out += l.coefHead;
    out += eol;
    for (int k = 0; k < kDemoTaps; ++k) {
        AppendInt(out, k, 8); // "%8d  %10.5f"
        out += "  ";
        AppendFixed(out, doc.m_h[k], 10, 5);
        out += eol;
    }
    out += eol;
    out += l.resultTitle;
    out += eol;
    out += l.resultHead;
    out += eol;
    for (int i = 0; i < kDemoSteps; ++i) {
        AppendListingRow(out, i - 1, doc.m_in[i], doc.m_out[i]);
        out += eol;
    }
    return out;
}

FileFault WriteTextExport(const CRavelinDoc& doc, const std::string& path, int* systemError)
{
    const std::string text = FormatTextExport(doc, TextEncoding::ShiftJis, "\r\n");
    AtomicFile file;
    FileFault fault = FileFault::None;
    if (!file.Open(path))
        fault = FileFault::CantOpen;
    else if (!file.Write(text.data(), text.size()) || !file.Commit())
        fault = FileFault::CantWrite;
    if (systemError)
        *systemError = fault == FileFault::None ? 0 : file.Error();
    file.Discard();
    return fault;
}

} // namespace ravelin
