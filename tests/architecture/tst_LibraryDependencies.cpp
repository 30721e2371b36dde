// The libraries of src/ held against the table "Libraries and what each may use" of README.md
// and against their own #include lines. What CMake links comes from a file the build writes
// (tests/architecture/CMakeLists.txt); the table and the sources are read as they stand, so the
// test follows libraries as they are added, split or renamed.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <algorithm>

namespace {

// A dependency is named "lib:<target>", "qt:<module>" (as in Qt6::<module>), "ext:<name>" (an
// external library, by the last part of its CMake name in lower case: PkgConfig::SODIUM is
// "sodium") or "program:<target>" (never a dependency a library may have).
QString shown(const QString &dependency) {
    const QString name = dependency.section(QLatin1Char(':'), 1);
    if (dependency.startsWith(QLatin1String("qt:"))) return QStringLiteral("Qt ") + name;
    if (dependency.startsWith(QLatin1String("program:")))
        return QStringLiteral("the program ") + name;
    return name;
}

QString sorted(const QSet<QString> &dependencies) {
    QStringList names;
    for (const QString &d : dependencies) names << shown(d);
    names.sort();
    return names.isEmpty() ? QStringLiteral("nothing") : names.join(QLatin1String(", "));
}

struct Target {
    bool isLibrary = false;
    QString dir;
    QStringList links;       // everything it links, as CMake names it
    QStringList publicLinks; // what its users get as well
};

struct Include {
    QString file; // relative to src/
    int line = 0;
    QString text; // as written between the quotes or brackets
    QString dependency;
};

struct SourceFile {
    QString path; // relative to src/
    bool isHeader = false;
    QList<Include> includes;
};

struct TableRow {
    int line = 0;
    QSet<QString> libraries; // "lib:" and "qt:" names
    QStringList externals;   // the other items as written
};

bool isHeader(const QString &path) {
    return path.endsWith(QLatin1String(".h")) || path.endsWith(QLatin1String(".hpp"));
}

} // namespace

class TestLibraryDependencies : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void tableNamesEveryLibraryOnce();
    void mayUseIsWhatTheLibraryLinks_data();
    void mayUseIsWhatTheLibraryLinks();
    void everyFileHasItsLibrary();
    void includesStayWithinWhatIsLinked_data();
    void includesStayWithinWhatIsLinked();
    void headersIncludeExactlyThePublicLinks_data();
    void headersIncludeExactlyThePublicLinks();
    void librariesFormNoCycle_data();
    void librariesFormNoCycle();

private:
    void readModel();
    void readTable();
    void readSources();
    QString dependencyOf(const QString &linkItem) const;
    QStringList directDependencies(const QString &library, bool publicOnly) const;
    QSet<QString> reachable(const QString &library, bool publicOnly) const;
    QString ownerOf(const QString &path, QString *problem) const;
    QString dependencyOfInclude(const QString &from, bool quoted, const QString &text,
                                QString *problem) const;
    void addLibraryRows() const;

    QString m_src;
    QMap<QString, Target> m_targets;
    QHash<QString, QString> m_ownerOfSource; // absolute path -> target
    QMap<QString, QString> m_qtHeaderDirs;   // module -> folder
    QMultiMap<QString, QString> m_qtDeps;
    QSet<QString> m_externalKeys;
    QMap<QString, TableRow> m_table; // by library
    QStringList m_tableProblems;
    QMap<QString, QList<SourceFile>> m_files; // by library
    QStringList m_ownerProblems;
};

void TestLibraryDependencies::initTestCase() {
    m_src = QDir::cleanPath(QStringLiteral(KESTROVA_SOURCE_DIR "/src"));
    readModel();
    QVERIFY2(std::any_of(m_targets.cbegin(), m_targets.cend(),
                         [](const Target &t) { return t.isLibrary; }),
             "no library in " KESTROVA_LIBRARIES_FILE);
    QVERIFY2(!m_qtHeaderDirs.isEmpty(), "no Qt header folder in " KESTROVA_LIBRARIES_FILE);
    readTable();
    QVERIFY2(!m_table.isEmpty() || !m_tableProblems.isEmpty(),
             "README.md: no table under \"Libraries and what each may use\"");
    readSources();
}

void TestLibraryDependencies::readModel() {
    QFile file(QStringLiteral(KESTROVA_LIBRARIES_FILE));
    QVERIFY2(file.open(QIODevice::ReadOnly | QIODevice::Text), KESTROVA_LIBRARIES_FILE);
    Target *current = nullptr;
    QString currentName;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QString key = line.section(QLatin1Char(' '), 0, 0);
        const QString value = line.section(QLatin1Char(' '), 1).trimmed();
        if (key == QLatin1String("library") || key == QLatin1String("program")) {
            currentName = value;
            current = &m_targets[value];
            current->isLibrary = key == QLatin1String("library");
        } else if (key == QLatin1String("qt")) {
            m_qtHeaderDirs.insert(value.section(QLatin1Char(' '), 0, 0),
                                  value.section(QLatin1Char(' '), 1));
        } else if (key == QLatin1String("qtdep")) {
            m_qtDeps.insert(value.section(QLatin1Char(' '), 0, 0),
                            value.section(QLatin1Char(' '), 1));
        } else if (current && key == QLatin1String("dir")) {
            current->dir = QDir::cleanPath(value);
        } else if (current && key == QLatin1String("source")) {
            m_ownerOfSource.insert(QDir::cleanPath(value), currentName);
        } else if (current && key == QLatin1String("link") && !value.isEmpty()) {
            current->links << value;
        } else if (current && key == QLatin1String("public")) {
            current->publicLinks << value;
        }
    }
    for (const Target &t : std::as_const(m_targets))
        for (const QString &item : t.links) {
            const QString d = dependencyOf(item);
            if (d.startsWith(QLatin1String("ext:"))) m_externalKeys.insert(d.mid(4));
        }
}

QString TestLibraryDependencies::dependencyOf(const QString &linkItem) const {
    const auto target = m_targets.constFind(linkItem);
    if (target != m_targets.cend())
        return (target->isLibrary ? QStringLiteral("lib:") : QStringLiteral("program:")) + linkItem;
    static const QRegularExpression qt(QStringLiteral("^Qt6::(\\w+)$"));
    const QRegularExpressionMatch m = qt.match(linkItem);
    if (m.hasMatch()) return QStringLiteral("qt:") + m.captured(1);
    return QStringLiteral("ext:") + linkItem.section(QLatin1String("::"), -1).toLower();
}

// The table's "May use" column: comma-separated items, each a backticked library name, "Qt"
// and a module's name ("Qt Core", "Qt D-Bus") or an external library ("libsodium", "xcb");
// remarks in parentheses are skipped and "nothing" stands for no item.
void TestLibraryDependencies::readTable() {
    QFile file(QStringLiteral(KESTROVA_SOURCE_DIR "/README.md"));
    QVERIFY2(file.open(QIODevice::ReadOnly | QIODevice::Text), "README.md");
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    static const QRegularExpression heading(
        QStringLiteral("^#+\\s+Libraries and what each may use\\s*$"));
    int i = 0;
    while (i < lines.size() && !heading.match(lines[i]).hasMatch()) ++i;
    while (i < lines.size() && !lines[i].startsWith(QLatin1Char('|'))) ++i;
    if (i >= lines.size()) return;

    const auto cells = [](QString row) {
        row = row.trimmed();
        if (row.startsWith(QLatin1Char('|'))) row.remove(0, 1);
        if (row.endsWith(QLatin1Char('|'))) row.chop(1);
        QStringList result = row.split(QLatin1Char('|'));
        for (QString &c : result) c = c.trimmed();
        return result;
    };
    const QStringList header = cells(lines[i]);
    const int libraryColumn = header.indexOf(QStringLiteral("Library"));
    const int mayUseColumn = header.indexOf(QStringLiteral("May use"));
    if (libraryColumn < 0 || mayUseColumn < 0) {
        m_tableProblems << QStringLiteral("README.md:%1: the table needs the columns \"Library\" "
                                          "and \"May use\"")
                               .arg(i + 1);
        return;
    }
    static const QRegularExpression backticked(QStringLiteral("^`([^`]+)`$"));
    static const QRegularExpression remark(QStringLiteral("\\([^()]*\\)"));
    static const QRegularExpression qtModule(QStringLiteral("^Qt\\s+(\\S.*)$"));
    for (i += 2; i < lines.size() && lines[i].startsWith(QLatin1Char('|')); ++i) {
        const QStringList row = cells(lines[i]);
        const QString where = QStringLiteral("README.md:%1: ").arg(i + 1);
        const QRegularExpressionMatch name = backticked.match(row.value(libraryColumn));
        if (!name.hasMatch()) {
            m_tableProblems << where + QStringLiteral("the Library column holds one library's "
                                                      "name in backticks, not \"%1\"")
                                           .arg(row.value(libraryColumn));
            continue;
        }
        if (m_table.contains(name.captured(1))) {
            m_tableProblems << where + QStringLiteral("a second row for %1").arg(name.captured(1));
            continue;
        }
        TableRow entry;
        entry.line = i + 1;
        QString mayUse = row.value(mayUseColumn);
        while (mayUse.contains(remark)) mayUse.remove(remark);
        const QStringList items = mayUse.split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (QString item : items) {
            item = item.trimmed();
            QRegularExpressionMatch m;
            if (item == QLatin1String("nothing") && items.size() == 1) {
                continue;
            } else if ((m = backticked.match(item)).hasMatch()) {
                entry.libraries.insert(QStringLiteral("lib:") + m.captured(1));
            } else if ((m = qtModule.match(item)).hasMatch()) {
                QString module = m.captured(1);
                module.remove(QLatin1Char(' ')).remove(QLatin1Char('-'));
                entry.libraries.insert(QStringLiteral("qt:") + module);
            } else if (!item.isEmpty()) {
                entry.externals << item;
            }
        }
        m_table.insert(name.captured(1), entry);
    }
}

// The target whose sources hold `path`. A header that no target lists goes with its .cpp, or
// else with the one library of its folder (or of the nearest folder above with libraries).
QString TestLibraryDependencies::ownerOf(const QString &path, QString *problem) const {
    const auto listed = m_ownerOfSource.constFind(path);
    if (listed != m_ownerOfSource.cend()) return *listed;
    if (!isHeader(path)) return QString(); // built by no target here (a fuzz target, say)
    const QString source = path.left(path.lastIndexOf(QLatin1Char('.'))) + QLatin1String(".cpp");
    const auto sibling = m_ownerOfSource.constFind(source);
    if (sibling != m_ownerOfSource.cend()) return *sibling;
    for (QString dir = QFileInfo(path).path(); dir.startsWith(m_src + QLatin1Char('/'));
         dir = QFileInfo(dir).path()) {
        QStringList here;
        for (auto it = m_targets.cbegin(); it != m_targets.cend(); ++it)
            if (it->isLibrary && it->dir == dir) here << it.key();
        if (here.size() == 1) return here.first();
        if (here.size() > 1) {
            *problem = QStringLiteral("%1: not listed in the sources of any of %2, so its "
                                      "library is not known")
                           .arg(QDir(m_src).relativeFilePath(path), here.join(QLatin1String(", ")));
            return QString();
        }
    }
    *problem = QStringLiteral("%1: in no library's folder").arg(QDir(m_src).relativeFilePath(path));
    return QString();
}

// What an #include line of the file `from` reaches: a project library, a Qt module, an external
// library, or nothing of interest (the standard library, a generated file).
QString TestLibraryDependencies::dependencyOfInclude(const QString &from, bool quoted,
                                                     const QString &text, QString *problem) const {
    if (quoted) {
        for (const QString &base : {m_src, QFileInfo(from).path()}) {
            const QString path = QDir::cleanPath(base + QLatin1Char('/') + text);
            if (!path.startsWith(m_src + QLatin1Char('/')) || !QFileInfo::exists(path)) continue;
            const QString owner = ownerOf(path, problem);
            return owner.isEmpty() ? QString() : dependencyOf(owner);
        }
        return QString();
    }
    const QString module = text.section(QLatin1Char('/'), 0, 0);
    if (text.contains(QLatin1Char('/')) && module.startsWith(QLatin1String("Qt")) &&
        m_qtHeaderDirs.contains(module.mid(2)))
        return QStringLiteral("qt:") + module.mid(2);
    if (!text.contains(QLatin1Char('/')) && text.startsWith(QLatin1Char('Q')))
        for (auto it = m_qtHeaderDirs.cbegin(); it != m_qtHeaderDirs.cend(); ++it)
            if (QFileInfo::exists(it.value() + QLatin1Char('/') + text))
                return QStringLiteral("qt:") + it.key();
    for (const QString &key : m_externalKeys)
        if (text.toLower().contains(key)) return QStringLiteral("ext:") + key;
    return QString();
}

void TestLibraryDependencies::readSources() {
    static const QRegularExpression include(
        QStringLiteral("^\\s*#\\s*include\\s*([<\"])([^>\"]+)[>\"]"));
    QDirIterator it(m_src,
                    {QStringLiteral("*.h"), QStringLiteral("*.hpp"), QStringLiteral("*.cpp"),
                     QStringLiteral("*.cc")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = QDir::cleanPath(it.next());
        QString problem;
        const QString owner = ownerOf(path, &problem);
        if (!problem.isEmpty()) m_ownerProblems << problem;
        if (owner.isEmpty() || !m_targets.value(owner).isLibrary) continue;
        SourceFile source;
        source.path = QDir(m_src).relativeFilePath(path);
        source.isHeader = isHeader(path);
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly | QIODevice::Text), qPrintable(path));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        for (int n = 0; n < lines.size(); ++n) {
            const QRegularExpressionMatch m = include.match(lines[n]);
            if (!m.hasMatch()) continue;
            Include inc;
            inc.file = source.path;
            inc.line = n + 1;
            inc.text = m.captured(2);
            QString includeProblem;
            inc.dependency = dependencyOfInclude(path, m.captured(1) == QLatin1String("\""),
                                                 inc.text, &includeProblem);
            if (!includeProblem.isEmpty()) m_ownerProblems << includeProblem;
            if (!inc.dependency.isEmpty() && inc.dependency != QStringLiteral("lib:") + owner)
                source.includes << inc;
        }
        m_files[owner] << source;
    }
    m_ownerProblems.removeDuplicates();
}

QStringList TestLibraryDependencies::directDependencies(const QString &library,
                                                        bool publicOnly) const {
    QStringList result;
    const Target t = m_targets.value(library);
    for (const QString &item : publicOnly ? t.publicLinks : t.links) result << dependencyOf(item);
    return result;
}

// Everything `library` links, directly or through what it links; with `publicOnly`, what its
// users get along with it (its PUBLIC links, theirs, and so on).
QSet<QString> TestLibraryDependencies::reachable(const QString &library, bool publicOnly) const {
    QSet<QString> seen;
    QStringList todo = directDependencies(library, publicOnly);
    while (!todo.isEmpty()) {
        const QString d = todo.takeLast();
        if (seen.contains(d)) continue;
        seen.insert(d);
        const QString name = d.section(QLatin1Char(':'), 1);
        if (d.startsWith(QLatin1String("lib:"))) todo << directDependencies(name, publicOnly);
        if (d.startsWith(QLatin1String("qt:")))
            for (const QString &m : m_qtDeps.values(name)) todo << QStringLiteral("qt:") + m;
    }
    return seen;
}

void TestLibraryDependencies::addLibraryRows() const {
    QTest::addColumn<QString>("library");
    for (auto it = m_targets.cbegin(); it != m_targets.cend(); ++it)
        if (it->isLibrary) QTest::newRow(qPrintable(it.key())) << it.key();
}

void TestLibraryDependencies::tableNamesEveryLibraryOnce() {
    QStringList problems = m_tableProblems;
    for (auto it = m_targets.cbegin(); it != m_targets.cend(); ++it)
        if (it->isLibrary && !m_table.contains(it.key()))
            problems << QStringLiteral("README.md: no row for the library %1").arg(it.key());
    for (auto it = m_table.cbegin(); it != m_table.cend(); ++it)
        if (!m_targets.value(it.key()).isLibrary)
            problems << QStringLiteral("README.md:%1: %2 is no library of src/")
                            .arg(it->line)
                            .arg(it.key());
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

// Both ways: each project library, Qt module and external library the library links is named
// in its "May use", and each one named there is linked.
void TestLibraryDependencies::mayUseIsWhatTheLibraryLinks_data() {
    addLibraryRows();
}

void TestLibraryDependencies::mayUseIsWhatTheLibraryLinks() {
    QFETCH(QString, library);
    if (!m_table.contains(library)) QSKIP("no row (see tableNamesEveryLibraryOnce)");
    const TableRow row = m_table.value(library);
    QSet<QString> linked;          // project libraries and Qt modules
    QSet<QString> linkedExternals; // by their keys
    for (const QString &d : directDependencies(library, false)) {
        if (d.startsWith(QLatin1String("ext:")))
            linkedExternals.insert(d.mid(4));
        else
            linked.insert(d);
    }

    QStringList problems;
    const QString where = QStringLiteral("README.md:%1: %2 ").arg(row.line).arg(library);
    if (const QSet<QString> missing = linked - row.libraries; !missing.isEmpty())
        problems << where + QStringLiteral("links %1, which \"May use\" does not name")
                                .arg(sorted(missing));
    if (const QSet<QString> extra = row.libraries - linked; !extra.isEmpty())
        problems << where + QStringLiteral("does not link %1, which \"May use\" names")
                                .arg(sorted(extra));
    for (const QString &key : std::as_const(linkedExternals))
        if (std::none_of(row.externals.cbegin(), row.externals.cend(),
                         [&](const QString &item) { return item.toLower().contains(key); }))
            problems << where + QStringLiteral("links the external library %1, which \"May use\" "
                                               "does not name")
                                    .arg(key);
    for (const QString &item : row.externals)
        if (std::none_of(linkedExternals.cbegin(), linkedExternals.cend(),
                         [&](const QString &key) { return item.toLower().contains(key); }))
            problems << where + QStringLiteral("links nothing called \"%1\", which \"May use\" "
                                               "names")
                                    .arg(item);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

// Each header and source file under src/ belongs to a known library or program.
void TestLibraryDependencies::everyFileHasItsLibrary() {
    QVERIFY2(m_ownerProblems.isEmpty(), qPrintable(m_ownerProblems.join(QLatin1Char('\n'))));
}

// A file of a library includes headers only of what the library links, directly or through
// what it links.
void TestLibraryDependencies::includesStayWithinWhatIsLinked_data() {
    addLibraryRows();
}

void TestLibraryDependencies::includesStayWithinWhatIsLinked() {
    QFETCH(QString, library);
    QStringList problems;
    const QSet<QString> allowed = reachable(library, false);
    for (const SourceFile &file : m_files.value(library))
        for (const Include &inc : file.includes)
            if (!allowed.contains(inc.dependency))
                problems << QStringLiteral("src/%1:%2: includes <%3> of %4, which %5 does not "
                                           "link")
                                .arg(inc.file)
                                .arg(inc.line)
                                .arg(inc.text, shown(inc.dependency), library);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

// The headers of a library are its users' view of it: what they include must come to the users
// with the library (PUBLIC), and a PUBLIC link that no header needs should be PRIVATE.
void TestLibraryDependencies::headersIncludeExactlyThePublicLinks_data() {
    addLibraryRows();
}

void TestLibraryDependencies::headersIncludeExactlyThePublicLinks() {
    QFETCH(QString, library);
    QStringList problems;
    const QSet<QString> passedOn = reachable(library, true);
    QSet<QString> includedByHeaders;
    for (const SourceFile &file : m_files.value(library)) {
        if (!file.isHeader) continue;
        for (const Include &inc : file.includes) {
            includedByHeaders.insert(inc.dependency);
            if (!passedOn.contains(inc.dependency))
                problems << QStringLiteral("src/%1:%2: a header includes <%3>, but %4 is not "
                                           "PUBLIC in %5's links")
                                .arg(inc.file)
                                .arg(inc.line)
                                .arg(inc.text, shown(inc.dependency), library);
        }
    }
    for (const QString &d : directDependencies(library, true))
        if (!includedByHeaders.contains(d))
            problems << QStringLiteral("%1 links %2 PUBLIC, but none of its headers includes it: "
                                       "PRIVATE")
                            .arg(library, shown(d));
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

// Dependencies point one way: no library reaches itself again through what it links or
// through what its files include.
void TestLibraryDependencies::librariesFormNoCycle_data() {
    QTest::addColumn<bool>("throughIncludes");
    QTest::newRow("links") << false;
    QTest::newRow("includes") << true;
}

void TestLibraryDependencies::librariesFormNoCycle() {
    QFETCH(bool, throughIncludes);
    QMap<QString, QMap<QString, QString>> edges; // library -> library -> an example
    for (auto it = m_targets.cbegin(); it != m_targets.cend(); ++it) {
        if (!it->isLibrary) continue;
        if (throughIncludes) {
            for (const SourceFile &file : m_files.value(it.key()))
                for (const Include &inc : file.includes)
                    if (inc.dependency.startsWith(QLatin1String("lib:")))
                        edges[it.key()].insert(
                            inc.dependency.mid(4),
                            QStringLiteral("src/%1:%2").arg(inc.file).arg(inc.line));
        } else {
            for (const QString &d : directDependencies(it.key(), false))
                if (d.startsWith(QLatin1String("lib:")) && d.mid(4) != it.key())
                    edges[it.key()].insert(d.mid(4), QStringLiteral("linked"));
        }
    }
    const auto reach = [&](const QString &from) {
        QSet<QString> seen;
        QStringList todo = edges.value(from).keys();
        while (!todo.isEmpty()) {
            const QString n = todo.takeLast();
            if (!seen.contains(n)) {
                seen.insert(n);
                todo << edges.value(n).keys();
            }
        }
        return seen;
    };
    QStringList problems;
    QSet<QString> reported;
    for (auto it = edges.cbegin(); it != edges.cend(); ++it) {
        const QString &a = it.key();
        if (reported.contains(a) || !reach(a).contains(a)) continue;
        QStringList cycle;
        for (auto e = edges.cbegin(); e != edges.cend(); ++e)
            if (reach(e.key()).contains(a) && reach(a).contains(e.key()))
                for (auto to = e->cbegin(); to != e->cend(); ++to)
                    if (reach(to.key()).contains(a)) {
                        cycle << QStringLiteral("%1 -> %2 (%3)").arg(e.key(), to.key(), *to);
                        reported.insert(e.key());
                    }
        problems << QStringLiteral("a cycle: ") + cycle.join(QLatin1String("; "));
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(TestLibraryDependencies)
#include "tst_LibraryDependencies.moc"
