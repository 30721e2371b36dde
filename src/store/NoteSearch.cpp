#include "store/NoteSearch.h"

#include "store/NoteStore.h"
#include "store/TextFold.h"

#include <algorithm>

namespace {

// Positions in the folded text back to the text: the end is the end of the code point the last
// matched unit came from.
std::pair<int, int> matchInText(const QString &text, const std::vector<int> &map, int pos,
                                int length) {
    const int start = map[size_t(pos)];
    const int lastFrom = map[size_t(pos + length - 1)];
    int end = size_t(pos + length) < map.size() ? map[size_t(pos + length)] : int(text.size());
    if (end <= lastFrom) end = lastFrom + (text[lastFrom].isHighSurrogate() ? 2 : 1);
    return {start, end - start};
}

} // namespace

std::pair<int, int> NoteSearch::locate(const QString &text, const QString &query) {
    const QString needle = textfold::fold(query);
    if (needle.isEmpty()) return {-1, 0};
    std::vector<int> map;
    const QString folded = textfold::fold(text, &map);
    const int pos = int(folded.indexOf(needle));
    if (pos < 0) return {-1, 0};
    return matchInText(text, map, pos, int(needle.size()));
}

std::vector<SearchHit> NoteSearch::find(const QString &query,
                                        const std::vector<NoteText> &unsaved) const {
    const QString needle = textfold::fold(query);
    if (needle.trimmed().isEmpty()) return {};
    std::vector<NoteStore::FoundText> found = m_store.findFolded(needle);
    std::vector<SearchHit> hits;
    hits.reserve(found.size());
    const auto isUnsaved = [&unsaved](const NotePlace &place) {
        return std::any_of(unsaved.begin(), unsaved.end(),
                           [&place](const NoteText &n) { return n.place == place; });
    };
    for (NoteStore::FoundText &f : found) {
        if (!unsaved.empty() && isUnsaved(f.note.place)) continue;
        SearchHit hit;
        if (f.aligned) {
            hit.excerptStart = f.excerptStart;
            hit.start = f.position;
            hit.length = int(needle.size());
        } else {
            std::tie(hit.start, hit.length) = locate(f.note.text, query);
        }
        hit.note = std::move(f.note);
        hits.push_back(std::move(hit));
    }
    for (const NoteText &note : unsaved) {
        const auto [start, length] = locate(note.text, query);
        if (start < 0) continue;
        const qint64 key = note.place.sortKey();
        const auto at = std::find_if(hits.begin(), hits.end(), [key](const SearchHit &h) {
            return h.note.place.sortKey() < key;
        });
        hits.insert(at, SearchHit{note, start, length, 0});
    }
    return hits;
}

QString NoteSearch::placeName(const NotePlace &place) {
    static const char *const months[] = {"一", "二", "三", "四", "五",   "六",
                                         "七", "八", "九", "十", "十一", "十二"};
    const QDate d = place.date;
    const QString day =
        d.isValid() ? QStringLiteral("%1年%2月%3日").arg(d.year()).arg(d.month()).arg(d.day())
                    : place.key;
    switch (place.kind) {
    case NotePlace::Kind::MonthCell:
        return day + QStringLiteral(" · 月历");
    case NotePlace::Kind::DayPlan:
        return QStringLiteral("日安排 ") + day;
    case NotePlace::Kind::YearNote:
        return QStringLiteral("%1年 · %2月份")
            .arg(place.key, QString::fromUtf8(months[std::clamp(place.slot, 0, 11)]));
    case NotePlace::Kind::GeneralLine:
        return (d.isValid() ? QStringLiteral("%1年%2月").arg(d.year()).arg(d.month()) : place.key) +
               QStringLiteral(" · 一般记事 第%1行").arg(place.slot + 1);
    case NotePlace::Kind::CalendarLine:
        return QStringLiteral("日历记事 第%1行").arg(place.slot + 1);
    case NotePlace::Kind::MemoLine:
        return QStringLiteral("备忘录 第%1行").arg(place.slot + 1);
    }
    return place.key;
}

NoteSearch::Snippet NoteSearch::snippet(const SearchHit &hit, int context) {
    const QString &text = hit.note.text;
    int from = std::max(0, hit.start - context);
    int to = std::min(int(text.size()), hit.start + hit.length + context);
    if (from > 0 && text[from].isLowSurrogate()) --from;
    if (to < text.size() && text[to].isLowSurrogate()) ++to;
    Snippet s;
    s.text = text.mid(from, to - from);
    for (QChar &c : s.text)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::ParagraphSeparator ||
            c == QChar::LineSeparator || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    s.start = hit.start - from;
    s.length = hit.length;
    if (from > 0 || hit.excerptStart > 0) {
        s.text.prepend(QStringLiteral("…"));
        ++s.start;
    }
    if (to < text.size()) s.text += QStringLiteral("…");
    return s;
}
