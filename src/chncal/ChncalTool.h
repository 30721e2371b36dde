#pragma once

#include "lunar/LunarDate.h"

#include <iosfwd>
#include <string>
#include <vector>

// The command-line face of the lunar engine: a month grid, the texts of one date, a batch
// of dates as tab-separated lines, the reverse conversion and the solar terms of a year.
class ChncalTool {
public:
    // Exit statuses: 0 done, 1 no result (a date the engine cannot convert), 2 bad arguments.
    static constexpr int kOk = 0;
    static constexpr int kNoResult = 1;
    static constexpr int kBadArguments = 2;

    ChncalTool(std::istream &in, std::ostream &out, std::ostream &err);

    // Runs the command line without the program name.
    int Run(const std::vector<std::string> &args);

    // Reads "YYYY-MM-DD", with a leading '-' for years before 1; false unless it names a
    // date of the engine's civil calendar (so never one of the ten days dropped in 1582).
    static bool ParseCivilDate(const std::string &text, int &year, int &month, int &day);
    // Why a text is not a date of the engine's civil calendar.
    static std::string DateError(const std::string &text);
    // "YYYY-MM-DD" with at least four year digits and a leading '-' before year 1.
    static std::string FormatCivilDate(int year, int month, int day);
    // One line of the batch output (without the line end) for one input line.
    static std::string BatchLine(const std::string &line,
                                 lunar::LunarCalendar calendar = lunar::LunarCalendar::InForce);
    // Display width of a UTF-8 text on a terminal: two columns for CJK characters.
    static int DisplayWidth(const std::string &text);

private:
    int monthGrid();
    int record(const std::string &arg);
    int batch();
    int toCivil(const std::vector<std::string> &args);
    int terms(const std::string &arg);
    int usage();
    int badArguments(const std::string &message);

    lunar::LunarCalendar calendar_ = lunar::LunarCalendar::InForce;
    std::istream &in_;
    std::ostream &out_;
    std::ostream &err_;
};
