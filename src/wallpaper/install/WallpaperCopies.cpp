#include "wallpaper/install/WallpaperCopies.h"

#include "base/AtomicFile.h"

#include <QDir>
#include <QRegularExpression>

#include <algorithm>
#include <vector>

namespace {

// The numbers of the copies in `dir`, in increasing order.
std::vector<qulonglong> copyNumbers(const QString &dir) {
    static const QRegularExpression pattern(QStringLiteral("^Wallpaper-(\\d{1,18})\\.bmp$"));
    std::vector<qulonglong> numbers;
    for (const QString &name :
         QDir(dir).entryList({QStringLiteral("Wallpaper-*.bmp")}, QDir::Files)) {
        const auto m = pattern.match(name);
        if (m.hasMatch()) numbers.push_back(m.captured(1).toULongLong());
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

QString copyPath(const QString &dir, qulonglong n) {
    return dir + QStringLiteral("/Wallpaper-%1.bmp").arg(n);
}

} // namespace

QString WallpaperCopies::writeNext(const QString &dir, const QByteArray &bytes, QString *error) {
    const auto numbers = copyNumbers(dir);
    const QString path = copyPath(dir, numbers.empty() ? 1 : numbers.back() + 1);
    if (!AtomicFile::write(path, bytes, error)) return QString();
    return path;
}

void WallpaperCopies::prune(const QString &dir) {
    const auto numbers = copyNumbers(dir);
    for (size_t i = 0; i + 2 < numbers.size(); ++i) QFile::remove(copyPath(dir, numbers[i]));
}
