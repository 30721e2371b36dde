// Build-time tool: turns lunar_month_starts.tsv (one line per lunar month: first day as a
// Julian Day Number, lunar year, month, leap flag) into the year records of
// lunar/detail/HistoricalTable.h. Usage: HistoricalTableGenerator IN.tsv OUT.cpp
//
// It refuses data that the records cannot hold as given: months out of order, lengths
// other than 29 or 30 days (28 only for the last month of a year), more than one leap
// month or one left-out month number in a year.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kYearCount = 1900;
constexpr int kFirstDay = 1721437;
constexpr int kEndDay = 2415051;

struct Month {
    int firstDay = 0, year = 0, number = 0;
    bool leap = false;
};

struct Year {
    int firstDay = 0;
    unsigned longMonths = 0;
    int firstMonth = 0, leapMonth = 0, skippedMonth = 0, monthCount = 0;
};

bool fail(const std::string &message) {
    std::cerr << "HistoricalTableGenerator: " << message << "\n";
    return false;
}

bool readMonths(const char *path, std::vector<Month> &months) {
    std::ifstream in(path);
    if (!in) return fail(std::string("cannot read ") + path);
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        Month m;
        int leap = -1;
        if (!(fields >> m.firstDay >> m.year >> m.number >> leap) || leap < 0 || leap > 1 ||
            m.number < 1 || m.number > 12)
            return fail("line " + std::to_string(lineNumber) + " is not a month: " + line);
        m.leap = leap == 1;
        months.push_back(m);
    }
    return true;
}

bool buildYears(const std::vector<Month> &months, std::vector<Year> &years) {
    if (months.empty() || months.front().firstDay != kFirstDay || months.front().year != 0)
        return fail("the data must start with lunar year 0 on day " + std::to_string(kFirstDay));
    years.assign(kYearCount, Year{});
    for (std::size_t i = 0; i < months.size(); ++i) {
        const Month &m = months[i];
        const int end = i + 1 < months.size() ? months[i + 1].firstDay : kEndDay;
        const int length = end - m.firstDay;
        const bool lastOfYear = i + 1 == months.size() || months[i + 1].year != m.year;
        const std::string where = "month starting on day " + std::to_string(m.firstDay);
        if (m.year < 0 || m.year >= kYearCount) return fail(where + ": year out of range");
        if (length != 29 && length != 30 && !(lastOfYear && length == 28))
            return fail(where + ": " + std::to_string(length) + " days");
        Year &y = years[static_cast<std::size_t>(m.year)];
        if (y.monthCount == 0) {
            if (i > 0 && months[i - 1].year + 1 != m.year)
                return fail(where + ": the lunar years are not consecutive");
            if (m.leap) return fail(where + ": a year cannot start with a leap month");
            y.firstDay = m.firstDay;
            y.firstMonth = m.number;
        } else {
            const Month &p = months[i - 1];
            if (m.leap) {
                if (p.leap || p.number != m.number || y.leapMonth != 0)
                    return fail(where + ": unexpected leap month");
                y.leapMonth = m.number;
            } else if (m.number == p.number + 2 && y.skippedMonth == 0) {
                y.skippedMonth = p.number + 1;
            } else if (m.number != p.number + 1) {
                return fail(where + ": month numbers out of order");
            }
        }
        if (length == 30) y.longMonths |= 1u << y.monthCount;
        ++y.monthCount;
    }
    for (int i = 0; i < kYearCount; ++i)
        if (years[static_cast<std::size_t>(i)].monthCount == 0)
            return fail("lunar year " + std::to_string(i) + " has no months");
    return true;
}

bool writeTable(const char *path, const std::vector<Year> &years) {
    std::ostringstream out;
    out << "// Generated at build time from data/lunar_month_starts.tsv; do not edit.\n"
           "#include \"lunar/detail/HistoricalTable.h\"\n\n"
           "namespace lunar::detail {\n\n"
           "// First day, long months, first month, leap month, left-out month, month count.\n"
           "const YearRecord kHistoricalYears[kHistoricalYearCount] = {\n";
    for (const Year &y : years) {
        char row[96];
        std::snprintf(row, sizeof row, "    {%d, 0x%04x, %d, %d, %d, %d},\n", y.firstDay,
                      y.longMonths, y.firstMonth, y.leapMonth, y.skippedMonth, y.monthCount);
        out << row;
    }
    out << "};\n\n} // namespace lunar::detail\n";
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!(file << out.str())) return fail(std::string("cannot write ") + path);
    return true;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::cerr << "usage: HistoricalTableGenerator IN.tsv OUT.cpp\n";
        return 2;
    }
    std::vector<Month> months;
    std::vector<Year> years;
    if (!readMonths(argv[1], months) || !buildYears(months, years) || !writeTable(argv[2], years))
        return 1;
    return 0;
}
