#pragma once

// Mounts for bad-state tests, undone when the object goes: a small tmpfs stands for a full
// disk, a read-only bind mount for a folder nobody can write, root included. Both need root;
// ok() is false when the mount was refused (the test then skips).
#include <QByteArray>
#include <QFile>
#include <QString>

#include <memory>

#include <sys/mount.h>

class TestMount {
public:
    TestMount(const TestMount &) = delete;
    TestMount &operator=(const TestMount &) = delete;
    ~TestMount() {
        if (m_ok) ::umount2(m_point.constData(), MNT_DETACH);
    }
    bool ok() const { return m_ok; }

    // A tmpfs of `size` (e.g. "64k") over `dir`.
    static std::unique_ptr<TestMount> tmpfs(const QString &dir, const char *size) {
        std::unique_ptr<TestMount> m(new TestMount(dir));
        const QByteArray options = QByteArray("size=") + size;
        m->m_ok = ::mount("tmpfs", m->m_point.constData(), "tmpfs", 0, options.constData()) == 0;
        return m;
    }

    // `dir` itself, mounted again read-only over its own place.
    static std::unique_ptr<TestMount> readOnly(const QString &dir) {
        std::unique_ptr<TestMount> m(new TestMount(dir));
        const char *p = m->m_point.constData();
        if (::mount(p, p, nullptr, MS_BIND, nullptr) != 0) return m;
        m->m_ok = true;
        if (::mount(nullptr, p, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
            ::umount2(p, MNT_DETACH);
            m->m_ok = false;
        }
        return m;
    }

    // Fills the file system of the mount: writes until the disk is full.
    void fill() const {
        QFile f(QFile::decodeName(m_point) + QStringLiteral("/filler"));
        if (!f.open(QIODevice::WriteOnly)) return;
        const QByteArray block(4096, 'f');
        while (f.write(block) == block.size() && f.flush()) {
        }
    }

private:
    explicit TestMount(const QString &dir) : m_point(QFile::encodeName(dir)) {}

    QByteArray m_point;
    bool m_ok = false;
};
