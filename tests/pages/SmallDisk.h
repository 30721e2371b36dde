#pragma once

#include <QFile>
#include <QString>

#include <sys/mount.h>

// A 512 KB tmpfs mounted on a folder for the lifetime of this object (tests run as root), and a
// filler file that takes all of its free space until released.
class SmallDisk {
public:
    explicit SmallDisk(const QString &folder)
        : m_folder(folder), m_mounted(::mount("tmpfs", QFile::encodeName(folder).constData(),
                                              "tmpfs", 0, "size=512k") == 0) {}
    ~SmallDisk() {
        if (m_mounted) ::umount(QFile::encodeName(m_folder).constData());
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool isMounted() const { return m_mounted; }

    void fill() {
        QFile filler(m_folder + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly)) return;
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    void release() { QFile::remove(m_folder + QStringLiteral("/filler")); }

private:
    QString m_folder;
    bool m_mounted;
};
