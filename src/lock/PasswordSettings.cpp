#include "lock/PasswordSettings.h"

#include "base/AppIdentity.h"
#include "lock/LoginFile.h"
#include "lock/PasswordHash.h"

#include <QStringList>

namespace {

PasswordSettings::Result make(PasswordSettings::Outcome outcome, const QString &text,
                              const QString &caption) {
    return PasswordSettings::Result{outcome, text, caption};
}

} // namespace

PasswordSettings::Result PasswordSettings::apply(const QString &path, bool ticked,
                                                 const QString &first, const QString &second) {
    const QString title = QString::fromUtf8(AppIdentity::kAppTitle);
    QStringList lines;
    if (ticked) {
        if (first.isEmpty())
            return make(Outcome::FirstMissing, QStringLiteral("请输入登录密码!"), title);
        if (second.isEmpty())
            return make(Outcome::SecondMissing, QStringLiteral("请再次输入登录密码!"), title);
        if (first != second)
            return make(Outcome::Different, QStringLiteral("两次输入的密码不一致!"), title);
        // Only a hash is stored; the same text on line 1 keeps the three-line layout.
        QString hashLine;
        QString error;
        if (!PasswordHash::hash(first, hashLine, error))
            return make(Outcome::WriteFailed, error, title);
        lines << hashLine << hashLine << QString::fromLatin1(LoginFile::kGateOn);
    } else {
        const QString marker = QString::fromLatin1(LoginFile::kNoKeyMarker);
        lines << marker << marker << QString::fromLatin1(LoginFile::kGateOff);
    }
    QString error;
    if (!LoginFile::write(path, lines, error)) return make(Outcome::WriteFailed, error, title);
    return ticked ? make(Outcome::PasswordSet, QStringLiteral("设置登录密码成功!"),
                         QStringLiteral("提示"))
                  : make(Outcome::PasswordRemoved, QStringLiteral("取消密码成功!"),
                         QStringLiteral("提示"));
}

bool PasswordSettings::readGateFlag(const QString &path, bool &on, QString &error) {
    QStringList lines;
    if (!LoginFile::read(path, lines, error)) return false;
    on = LoginFile::gateOn(lines);
    return true;
}
