#include "lock/PasswordHash.h"

#include <QByteArray>
#include <QRegularExpression>
#include <sodium.h>

namespace {

// Measured on the target machine (two shared cores): 4 passes over 64 MiB take about
// 0.14 s to hash or to verify, inside the 0.1-0.3 s a start-up check may cost.
constexpr unsigned long long kOpsLimit = 4;
constexpr size_t kMemLimit = size_t{64} << 20;

constexpr char kPrefix[] = "$argon2id$";

bool sodiumReady() {
    return sodium_init() >= 0;
} // safe to call again and again

} // namespace

bool PasswordHash::isHash(const QString &line) {
    return line.startsWith(QLatin1String(kPrefix));
}

bool PasswordHash::isDamagedHash(const QString &line) {
    if (!line.startsWith(QLatin1String("$argon2"))) return false;
    // crypto_pwhash_str always writes a 16-byte salt and a 32-byte hash, unpadded Base64.
    static const QRegularExpression form(
        QStringLiteral("^\\$argon2id\\$v=19\\$m=[0-9]+,t=[0-9]+,p=[0-9]+\\$[A-Za-z0-9+/"
                       "]{22}\\$[A-Za-z0-9+/]{43}$"));
    if (!form.match(line).hasMatch()) return true;
    if (!sodiumReady()) return false;
    const QByteArray stored = line.toLatin1();
    return crypto_pwhash_str_needs_rehash(stored.constData(), kOpsLimit, kMemLimit) < 0;
}

bool PasswordHash::hash(const QString &password, QString &hashLine, QString &error) {
    if (!sodiumReady()) {
        error = QStringLiteral("无法初始化加密库。");
        return false;
    }
    const QByteArray bytes = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    // libsodium's default algorithm is Argon2id (since 1.0.15; Debian ships 1.0.18).
    if (crypto_pwhash_str(out, bytes.constData(), static_cast<unsigned long long>(bytes.size()),
                          kOpsLimit, kMemLimit) != 0) {
        error = QStringLiteral("计算密码散列时内存不足。");
        return false;
    }
    hashLine = QString::fromLatin1(out);
    return true;
}

bool PasswordHash::verify(const QString &hashLine, const QString &password) {
    if (!sodiumReady() || !isHash(hashLine)) return false;
    const QByteArray stored = hashLine.toLatin1();
    if (stored.size() >= static_cast<qsizetype>(crypto_pwhash_STRBYTES)) return false;
    const QByteArray bytes = password.toUtf8();
    return crypto_pwhash_str_verify(stored.constData(), bytes.constData(),
                                    static_cast<unsigned long long>(bytes.size())) == 0;
}
