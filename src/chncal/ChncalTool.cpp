#include "chncal/ChncalTool.h"

#include "lunar/CivilDate.h"
#include "lunar/DateInfo.h"
#include "lunar/LunarDate.h"
#include "lunar/SolarTerms.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <ostream>
#include <unistd.h>

namespace {

constexpr const char *kUsage =
    "Usage: chncal [--astronomical] [YYYY-MM-DD | --batch | --to-civil Y M D [leap]]\n"
    "       chncal --terms YEAR | --help\n"
    "\n"
    "Chinese lunar calendar on the command line.\n"
    "\n"
    "  chncal                 this month as a grid, Sunday first; under each day its lunar\n"
    "                         day (the month name on the first of a lunar month), replaced\n"
    "                         by a festival, a solar term or a lunar festival, in that\n"
    "                         order of precedence; the title shows the year's stem-branch\n"
    "                         name, animal and star sign of today.\n"
    "  chncal YYYY-MM-DD      every text of that date, one 'Name: value' per line.\n"
    "                         Years before 1 take a leading '-' (-0100-03-05); there is\n"
    "                         no year 0, and dates up to 1582-10-04 are Julian. The ten\n"
    "                         days 1582-10-05 to 10-14, which the Gregorian reform\n"
    "                         dropped, are not dates: 1582-10-04 is followed by 10-15.\n"
    "  chncal --batch         reads one date YYYY-MM-DD per line from standard input and\n"
    "                         writes one tab-separated line per date: the date as read,\n"
    "                         1/0 for a successful conversion, lunar year, month, day,\n"
    "                         leap 1/0, MonthName, DayName, TermName, YearPillar,\n"
    "                         MonthPillar, DayPillar, Animal, StarSign, CivilFestival,\n"
    "                         LunarFestival, Era. Each line stands on its own. A line that\n"
    "                         is not a date (a dropped day of 1582 included) gives\n"
    "                         'ERROR<tab>' and the line.\n"
    "  chncal --to-civil Y M D [leap]\n"
    "                         the civil date of lunar year Y, month M, day D (of the leap\n"
    "                         month M with 'leap'), or 'none' with exit status 1.\n"
    "  chncal --terms YEAR    the 24 solar terms of a civil year from -849 to 2100: name,\n"
    "                         date and time (China Standard Time).\n"
    "  --astronomical         before a date, --batch or --to-civil (or alone, for the\n"
    "                         grid): the computed calendar instead of the historical one,\n"
    "                         for comparison.\n"
    "  chncal --help          this text.\n"
    "\n"
    "Which calendar is shown: for 0001-01-14 to 1900-01-30 (lunar years 1 to 1899) the\n"
    "lunar calendar that was in force, from the published reconstructions of the\n"
    "historical calendar (the eras counted from its new year; in years 9-23 and 237-239\n"
    "the year began a month early). Before that and from lunar year 1900 on, the computed\n"
    "(astronomical) calendar. Civil dates are Julian before 1582-10-15. Solar terms are\n"
    "always today's astronomical ones; before 1645 the calendars in force used mean terms,\n"
    "which can fall a day or two away from them.\n"
    "\n"
    "The engine converts the civil years -849 to 2100. Output is UTF-8.\n"
    "Exit status: 0 done, 1 no result, 2 bad arguments.\n";

// A whole text as a decimal integer (optional sign).
bool parseInteger(const std::string &text, long &value) {
    if (text.empty()) return false;
    const char *begin = text.c_str();
    if (*begin != '-' && *begin != '+' && (*begin < '0' || *begin > '9')) return false;
    char *end = nullptr;
    errno = 0;
    const long parsed = std::strtol(begin, &end, 10);
    if (end == begin || *end != '\0' || errno == ERANGE) return false;
    value = parsed;
    return true;
}

bool parseDigits(const std::string &text, std::size_t begin, std::size_t end, int maxDigits,
                 int &value) {
    if (end <= begin || end - begin > static_cast<std::size_t>(maxDigits)) return false;
    int v = 0;
    for (std::size_t i = begin; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
    }
    value = v;
    return true;
}

std::string trimmedLine(const std::string &line) {
    std::size_t begin = 0, end = line.size();
    while (begin < end && static_cast<unsigned char>(line[begin]) <= ' ') ++begin;
    while (end > begin && static_cast<unsigned char>(line[end - 1]) <= ' ') --end;
    return line.substr(begin, end - begin);
}

std::string withoutTrailingBlanks(const std::string &text) {
    const std::size_t end = text.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

std::string twoDigits(int v) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", v);
    return buffer;
}

// What the calendar control writes under a day number: the lunar day, or the month name
// on the first of a lunar month, replaced by the civil festival, the solar term and the
// lunar festival, each later one winning.
std::string caption(const lunar::DateInfo &info) {
    std::string text = info.DayName == "初一" ? info.MonthName : info.DayName;
    if (!info.CivilFestival.empty()) text = info.CivilFestival;
    if (!info.TermName.empty()) text = info.TermName;
    if (!info.LunarFestival.empty()) text = info.LunarFestival;
    return text;
}

std::string padded(const std::string &text, int width) {
    const int w = ChncalTool::DisplayWidth(text);
    return w >= width ? text : text + std::string(width - w, ' ');
}

} // namespace

ChncalTool::ChncalTool(std::istream &in, std::ostream &out, std::ostream &err)
    : in_(in), out_(out), err_(err) {}

int ChncalTool::Run(const std::vector<std::string> &allArgs) {
    std::vector<std::string> args = allArgs;
    if (!args.empty() && args.front() == "--astronomical") {
        calendar_ = lunar::LunarCalendar::Astronomical;
        args.erase(args.begin());
        if (!args.empty() && (args.front() == "--terms" || args.front() == "--help" ||
                              args.front() == "-h" || args.front() == "--astronomical"))
            return badArguments("--astronomical goes with a date, --batch or --to-civil");
    }
    if (args.empty()) return monthGrid();
    const std::string &first = args.front();
    if (first == "--help" || first == "-h") {
        if (args.size() != 1) return badArguments("--help takes no arguments");
        return usage();
    }
    if (first == "--batch") {
        if (args.size() != 1) return badArguments("--batch takes no arguments");
        return batch();
    }
    if (first == "--to-civil") return toCivil(args);
    if (first == "--terms") {
        if (args.size() != 2) return badArguments("--terms takes one year");
        return terms(args[1]);
    }
    if (first.size() > 1 && first[0] == '-' && (first[1] < '0' || first[1] > '9'))
        return badArguments("unknown option " + first + " (see chncal --help)");
    if (args.size() != 1) return badArguments("give one date YYYY-MM-DD (see chncal --help)");
    return record(first);
}

bool ChncalTool::ParseCivilDate(const std::string &text, int &year, int &month, int &day) {
    const bool negative = !text.empty() && text[0] == '-';
    const std::size_t yearBegin = negative ? 1 : 0;
    const std::size_t dash1 = text.find('-', yearBegin);
    if (dash1 == std::string::npos) return false;
    const std::size_t dash2 = text.find('-', dash1 + 1);
    if (dash2 == std::string::npos) return false;
    int y = 0, m = 0, d = 0;
    if (!parseDigits(text, yearBegin, dash1, 6, y) || !parseDigits(text, dash1 + 1, dash2, 2, m) ||
        !parseDigits(text, dash2 + 1, text.size(), 2, d))
        return false;
    if (negative) y = -y;
    if (!lunar::IsValidCivilDate(y, m, d)) return false;
    year = y;
    month = m;
    day = d;
    return true;
}

std::string ChncalTool::FormatCivilDate(int year, int month, int day) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%s%04d-%02d-%02d", year < 0 ? "-" : "",
                  year < 0 ? -year : year, month, day);
    return buffer;
}

std::string ChncalTool::DateError(const std::string &text) {
    int y = 0, m = 0, d = 0;
    const std::size_t yearEnd = text.find('-', text.empty() || text[0] != '-' ? 0 : 1);
    if (yearEnd != std::string::npos &&
        std::sscanf(text.c_str() + yearEnd, "-%d-%d", &m, &d) == 2) {
        y = std::atoi(text.substr(0, yearEnd).c_str());
        if (lunar::IsDroppedDay(y, m, d))
            return "'" + text +
                   "' is not a date: the Gregorian reform dropped 1582-10-05 to 10-14, "
                   "1582-10-04 is followed by 1582-10-15";
    }
    return "'" + text + "' is not a date YYYY-MM-DD (see chncal --help)";
}

std::string ChncalTool::BatchLine(const std::string &line, lunar::LunarCalendar calendar) {
    const std::string text = trimmedLine(line);
    int y = 0, m = 0, d = 0;
    if (!ParseCivilDate(text, y, m, d)) return "ERROR\t" + text;
    lunar::DateInfo info;
    info.SetCalendar(calendar);
    const bool ok = info.SetCivilDate(y, m, d) && info.HasLunarDate;
    std::string out = text;
    out.reserve(160);
    out += ok ? "\t1\t" : "\t0\t";
    if (ok) {
        out += std::to_string(info.LunarYear);
        out += '\t';
        out += std::to_string(info.LunarMonth);
        out += '\t';
        out += std::to_string(info.LunarDay);
        out += info.LunarLeap ? "\t1" : "\t0";
    } else {
        out += "\t\t\t";
    }
    for (const std::string *field :
         {&info.MonthName, &info.DayName, &info.TermName, &info.YearPillar, &info.MonthPillar,
          &info.DayPillar, &info.Animal, &info.StarSign, &info.CivilFestival, &info.LunarFestival,
          &info.Era}) {
        out += '\t';
        out += *field;
    }
    return out;
}

int ChncalTool::DisplayWidth(const std::string &text) {
    int width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            ++width;
            ++i;
            continue;
        }
        // Lead bytes of three- and four-byte sequences: CJK and the like, two columns.
        const int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        width += length >= 3 ? 2 : 1;
        i += length;
    }
    return width;
}

int ChncalTool::monthGrid() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) {
        err_ << "chncal: cannot read the current date\n";
        return kNoResult;
    }
    const int year = local.tm_year + 1900, month = local.tm_mon + 1, today = local.tm_mday;

    lunar::DateInfo info;
    info.SetCalendar(calendar_);
    if (!info.SetCivilDate(year, month, today)) {
        err_ << "chncal: " << FormatCivilDate(year, month, today)
             << " lies outside the years the engine converts\n";
        return kNoResult;
    }
    out_ << year << "年" << month << "月  " << info.YearPillar << "年 " << info.Animal << "年 "
         << info.StarSign << "座  今天农历" << info.MonthName << info.DayName << "\n";

    constexpr int kCell = 8;
    static const char *const kWeekdays[7] = {"日", "一", "二", "三", "四", "五", "六"};
    std::string header;
    for (const char *name : kWeekdays) header += padded(std::string("  ") + name, kCell);
    out_ << withoutTrailingBlanks(header) << "\n";

    const bool tty = &out_ == &std::cout && isatty(STDOUT_FILENO);
    const int firstColumn = (lunar::CivilDayNumber(year, month, 1) % 7 + 7) % 7; // 0 = Sunday
    const int length = lunar::DaysInCivilMonth(year, month);
    std::string days(static_cast<std::size_t>(firstColumn) * kCell, ' ');
    std::string captions = days;
    // Walked in date order, as the calendar control fills its grid.
    lunar::DateInfo walk;
    walk.SetCalendar(calendar_);
    for (int day = 1; day <= length; ++day) {
        const int column = (firstColumn + day - 1) % 7;
        const bool converted = walk.SetCivilDate(year, month, day);
        char number[16];
        std::snprintf(number, sizeof number, "%4d", day);
        std::string cell = padded(number, kCell);
        if (day == today && tty) cell = "\x1b[7m" + std::string(number) + "\x1b[0m    ";
        days += cell;
        captions += padded("  " + (converted ? caption(walk) : std::string()), kCell);
        if (column == 6 || day == length) {
            out_ << withoutTrailingBlanks(days) << "\n" << withoutTrailingBlanks(captions) << "\n";
            days.clear();
            captions.clear();
        }
    }
    return kOk;
}

int ChncalTool::record(const std::string &arg) {
    int y = 0, m = 0, d = 0;
    if (!ParseCivilDate(arg, y, m, d)) return badArguments(DateError(arg));
    lunar::DateInfo info;
    info.SetCalendar(calendar_);
    if (!info.SetCivilDate(y, m, d)) {
        err_ << "chncal: " << arg << " lies outside the years -849 to 2100\n";
        return kNoResult;
    }
    // The ten days dropped in 1582 have no lunar date: its numbers stay empty.
    const auto number = [&info](int value) {
        return info.HasLunarDate ? std::to_string(value) : std::string();
    };
    out_ << "Date: " << FormatCivilDate(y, m, d) << "\n"
         << "LunarYear: " << number(info.LunarYear) << "\n"
         << "LunarMonth: " << number(info.LunarMonth) << "\n"
         << "LunarDay: " << number(info.LunarDay) << "\n"
         << "Leap: " << number(info.LunarLeap ? 1 : 0) << "\n"
         << "MonthName: " << info.MonthName << "\n"
         << "DayName: " << info.DayName << "\n"
         << "TermName: " << info.TermName << "\n"
         << "YearPillar: " << info.YearPillar << "\n"
         << "MonthPillar: " << info.MonthPillar << "\n"
         << "DayPillar: " << info.DayPillar << "\n"
         << "Animal: " << info.Animal << "\n"
         << "StarSign: " << info.StarSign << "\n"
         << "CivilFestival: " << info.CivilFestival << "\n"
         << "LunarFestival: " << info.LunarFestival << "\n"
         << "Era: " << info.Era << "\n";
    return kOk;
}

int ChncalTool::batch() {
    std::string line, chunk;
    chunk.reserve(1 << 16);
    while (std::getline(in_, line)) {
        chunk += BatchLine(line, calendar_);
        chunk += '\n';
        if (chunk.size() >= (1 << 16) - 512) {
            out_.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            chunk.clear();
        }
    }
    out_.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    return kOk;
}

int ChncalTool::toCivil(const std::vector<std::string> &args) {
    if (args.size() != 4 && args.size() != 5)
        return badArguments("--to-civil takes Y M D and an optional 'leap'");
    long values[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i)
        if (!parseInteger(args[i + 1], values[i]) || values[i] < INT_MIN || values[i] > INT_MAX)
            return badArguments("--to-civil: '" + args[i + 1] + "' is not a number");
    bool leap = false;
    if (args.size() == 5) {
        const std::string &flag = args[4];
        if (flag == "leap" || flag == "1" || flag == "true")
            leap = true;
        else if (flag != "0" && flag != "false")
            return badArguments("--to-civil: the fourth value must be 'leap', 1 or 0, not '" +
                                flag + "'");
    }
    int y = 0, m = 0, d = 0;
    if (!lunar::LunarToCivil(static_cast<int>(values[0]), static_cast<int>(values[1]),
                             static_cast<int>(values[2]), leap, y, m, d, calendar_)) {
        out_ << "none\n";
        return kNoResult;
    }
    out_ << FormatCivilDate(y, m, d) << "\n";
    return kOk;
}

int ChncalTool::terms(const std::string &arg) {
    long year = 0;
    const bool digits =
        arg.find_first_not_of("0123456789", arg[0] == '-' ? 1 : 0) == std::string::npos &&
        arg.size() > (arg[0] == '-' ? 1u : 0u);
    if (!parseInteger(arg, year)) {
        if (!digits) return badArguments("--terms: '" + arg + "' is not a year");
        // Too long for a number at all: far outside the range.
        year = arg[0] == '-' ? -100000 : 100000;
    }
    if (year == 0) return badArguments("--terms: there is no year 0 (-1 is the year before 1)");
    if (year < -849 || year > 2100)
        return badArguments("--terms: " + arg + " lies outside the years -849 to 2100");
    const int y = static_cast<int>(year);
    for (int t = 0; t < 24; ++t) {
        int month = 0, day = 0, hour = 0, minute = 0;
        if (!lunar::SolarTermDate(y, t, month, day, hour, minute)) {
            err_ << "chncal: no solar terms for the year " << y << "\n";
            return kNoResult;
        }
        // In some Julian centuries the formula puts 小寒 on day 0 or before of January: that is a
        // day of the previous December, and printed as such.
        int termYear = y;
        while (day < 1) {
            if (--month < 1) {
                month = 12;
                termYear = termYear == 1 ? -1 : termYear - 1;
            }
            day += lunar::DaysInCivilMonth(termYear, month);
        }
        out_ << lunar::SolarTermName((t + 22) % 24) << "\t" << FormatCivilDate(termYear, month, day)
             << " " << twoDigits(hour) << ":" << twoDigits(minute) << "\n";
    }
    return kOk;
}

int ChncalTool::usage() {
    out_ << kUsage;
    return kOk;
}

int ChncalTool::badArguments(const std::string &message) {
    err_ << "chncal: " << message << "\n";
    return kBadArguments;
}
