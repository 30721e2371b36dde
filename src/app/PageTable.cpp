#include "app/PageTable.h"

#include "pages/AnnualNotesPage.h"
#include "pages/DesktopMonthPage.h"
#include "pages/SheetPage.h"

std::vector<PageRow> standardPages() {
    return {
        {QStringLiteral("spdRili"), QStringLiteral("tsYearjishi"), QStringLiteral("年度记事"),
         [](PageContext &c) { return new AnnualNotesPage(c); }},
        {QStringLiteral("SpeedButton2"), QStringLiteral("tsTaiLi"), QStringLiteral("桌面月历"),
         [](PageContext &c) { return new DesktopMonthPage(c); }, true},
        {QStringLiteral("btnYiban"), QStringLiteral("tsJiShi"), QStringLiteral("一般记事"),
         [](PageContext &c) { return new SheetPage(SheetPage::Config::general(), c); }},
        {QStringLiteral("btnRili"), QStringLiteral("tsRili"), QStringLiteral("日历"),
         [](PageContext &c) { return new SheetPage(SheetPage::Config::calendar(), c); }},
    };
}
