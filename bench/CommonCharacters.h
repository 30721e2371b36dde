#pragma once

#include <QString>

namespace benchdata {

// Common Chinese characters, the text of the benchmarks' daily notes.
inline const QString &commonCharacters() {
    static const QString common = QStringLiteral(
        "的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动同工也能"
        "下过子说产种面而方后多定行学法所民得经十三之进着等部度家电力里如水化高自二理起小物现实加量"
        "都两体制机当使点从业本去把性好应开它合还因由其些然前外天政四日那社义事平形相全表间样与关各"
        "重新线内数正心反你明看原又么利比或但质气第向道命此变条只没结解问意建月公无系军很情者最立代"
        "想已通并提直题党程展五果料象员革位入常文总次品式活设及管特件长求老头基资边流路级少图山统接"
        "知较将组见计别她手角期根论运农指几九区强放决西被干做必战先回则任取据处府研");
    return common;
}

} // namespace benchdata
