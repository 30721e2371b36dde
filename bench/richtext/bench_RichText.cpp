// Throughput of saving and loading the 42 day cells of a month page as RTF.
#include "richtext/RichText.h"

#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

constexpr int kCells = 42;

// A day cell as users fill them: a short Chinese note, a mark, some colour and bold.
void fillCell(QTextDocument &doc, int day) {
    doc.setDefaultFont(QFont(QStringLiteral("宋体"), 9));
    QTextCursor cursor(&doc);
    QTextCharFormat plain;
    QTextCharFormat red;
    red.setForeground(QColor(255, 0, 0));
    red.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("%1日 开会 ").arg(day % 31 + 1), plain);
    cursor.insertText(QStringLiteral("√重要"), red);
    cursor.insertText(QStringLiteral("\nRoom 4 ×"), plain);
}

struct Month {
    std::vector<std::unique_ptr<QTextDocument>> docs;
    std::vector<QByteArray> rtf;
    qint64 bytes = 0;
};

const Month &month() {
    static const Month m = [] {
        Month built;
        for (int i = 0; i < kCells; ++i) {
            auto doc = std::make_unique<QTextDocument>();
            fillCell(*doc, i);
            built.rtf.push_back(richtext::toRtf(*doc));
            built.bytes += built.rtf.back().size();
            built.docs.push_back(std::move(doc));
        }
        return built;
    }();
    return m;
}

void BM_MonthToRtf(benchmark::State &state) {
    const Month &m = month();
    for (auto _ : state) {
        for (const auto &doc : m.docs) benchmark::DoNotOptimize(richtext::toRtf(*doc));
    }
    state.SetBytesProcessed(state.iterations() * m.bytes);
    state.SetItemsProcessed(state.iterations() * kCells);
    state.counters["bytes_per_cell"] = double(m.bytes) / kCells;
}
BENCHMARK(BM_MonthToRtf)->Unit(benchmark::kMicrosecond);

void BM_MonthFromRtf(benchmark::State &state) {
    const Month &m = month();
    // The page's editors exist already; loading replaces their content.
    std::vector<std::unique_ptr<QTextDocument>> editors;
    for (int i = 0; i < kCells; ++i) {
        editors.push_back(std::make_unique<QTextDocument>());
        editors.back()->setDefaultFont(QFont(QStringLiteral("宋体"), 9));
    }
    for (auto _ : state) {
        for (int i = 0; i < kCells; ++i) richtext::loadInto(*editors[i], m.rtf[i]);
    }
    state.SetBytesProcessed(state.iterations() * m.bytes);
    state.SetItemsProcessed(state.iterations() * kCells);
}
BENCHMARK(BM_MonthFromRtf)->Unit(benchmark::kMicrosecond);

// Cells saved by the old Windows program: GBK bytes decoded through iconv.
void BM_MonthFromWindowsRtf(benchmark::State &state) {
    const QByteArray cell =
        "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052{\\fonttbl{\\f0\\fnil\\fprq2"
        "\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\r\n{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
        "\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs18 12\\'c8\\'d5 \\'cf\\'c2\\'ce\\'e7\\'c8\\'fd"
        "\\'b5\\'e3\\'bf\\'aa\\'bb\\'e1 \\cf1\\b\\'a1\\'cc \\'d6\\'d8\\'d2\\'aa\\cf0\\b0\\par\r\n"
        "\\'b4\\'f8\\'d7\\'ca\\'c1\\'cf Room 4 \\'a1\\'c1\\par\r\n}\r\n";
    QTextDocument editor;
    for (auto _ : state) {
        for (int i = 0; i < kCells; ++i) richtext::loadInto(editor, cell);
    }
    state.SetBytesProcessed(state.iterations() * cell.size() * kCells);
    state.SetItemsProcessed(state.iterations() * kCells);
}
BENCHMARK(BM_MonthFromWindowsRtf)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
