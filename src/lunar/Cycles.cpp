#include "lunar/Cycles.h"

#include "lunar/CivilDate.h"
#include "lunar/SolarTerms.h"
#include "lunar/detail/Arithmetic.h"
#include "lunar/detail/YearCache.h"

namespace lunar {

namespace {

const char *const kStems[10] = {"甲", "乙", "丙", "丁", "戊", "己", "庚", "辛", "壬", "癸"};
const char *const kBranches[12] = {"子", "丑", "寅", "卯", "辰", "巳",
                                   "午", "未", "申", "酉", "戌", "亥"};
const char *const kAnimals[12] = {"鼠", "牛", "虎", "兔", "龙", "蛇",
                                  "马", "羊", "猴", "鸡", "狗", "猪"};
const char *const kStarSigns[12] = {"白羊", "金牛", "双子", "巨蟹", "狮子", "处女",
                                    "天秤", "天蝎", "射手", "摩羯", "宝瓶", "双鱼"};

// The year counted on from 4 (甲子 and 鼠 start there) without a year 0. Year 0 is the lunar
// year of the days of year 1 before the lunar new year: the year before 1, that is -1.
long long cycleYear(int y) {
    return y > 0 ? y - 4LL : (y == 0 ? -1LL : y) - 3LL;
}

} // namespace

std::string PillarName(int index) {
    if (index < 0 || index >= 60) return {};
    return std::string(kStems[index % 10]) + kBranches[index % 12];
}

std::string ZodiacName(int index) {
    return index >= 0 && index < 12 ? kAnimals[index] : "";
}

std::string StarSignName(int index) {
    return index >= 0 && index < 12 ? kStarSigns[index] : "";
}

std::string StemName(int index) {
    return index >= 0 && index < 10 ? kStems[index] : "";
}

std::string BranchName(int index) {
    return index >= 0 && index < 12 ? kBranches[index] : "";
}

int PillarOf(int stem, int branch) {
    if (stem < 0 || stem > 9 || branch < 0 || branch > 11) return -1;
    for (int i = 0; i <= 6; ++i)
        if ((stem + 10 * i) % 12 == branch) return stem + 10 * i;
    return -1;
}

bool SplitPillar(int index, int &stem, int &branch) {
    if (index < 0 || index > 59) {
        stem = -1;
        branch = -1;
        return false;
    }
    stem = index % 10;
    branch = index % 12;
    return true;
}

int YearPillarOfYear(int y) {
    return detail::floorMod(cycleYear(y), 60);
}

int YearPillarOf(int y, int m, int d) {
    if (!detail::saneYear(y)) return -1;
    const int year = DayOfCivilYear(y, m, d) < detail::termDay(y, 3) ? y - 1 : y;
    return YearPillarOfYear(year);
}

int ZodiacOf(int y) {
    return detail::floorMod(cycleYear(y), 12);
}

int MonthPillarOf(int y, int m, int d) {
    int solarYear = 0, solarMonth = 0;
    if (!SolarMonthOf(y, m, d, solarYear, solarMonth)) return -1;
    const int s0 = YearPillarOfYear(solarYear) % 10;
    const int firstStem = (2 * (s0 % 5) + 2) % 10;
    const int stem = (firstStem + (solarMonth - 1) % 10) % 10;
    const int branch = (solarMonth + 1) % 12;
    return PillarOf(stem, branch);
}

int DayPillarOf(int y, int m, int d) {
    if (!detail::saneYear(y)) return -1;
    long long P;
    if (y >= 1)
        P = CivilDayNumber(y, m, d) + 2LL;
    else
        P = 365LL * y + DayOfCivilYear(y, m, d) + (3LL - y) / -4;
    return static_cast<int>(((P + 12) % 60 + 60) % 60);
}

int StarSignOf(int m, int d) {
    constexpr int kBounds[13] = {120, 219, 321,  421,  521,  622,   723,
                                 823, 923, 1023, 1123, 1222, 100000};
    const long long k = 100LL * m + d;
    for (int i = 0; i < 12; ++i) {
        if (k < kBounds[i]) return (i + 9) % 12;
        if (k < kBounds[i + 1]) return (i + 10) % 12;
    }
    return 9;
}

} // namespace lunar
