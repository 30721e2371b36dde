#pragma once

#include <QObject>
#include <QString>

#include <memory>

class HolidayTable;
class QWidget;

// The official holiday list of the program: the shipped list overlaid with the user's newer
// one in the data folder, handed to the calendars whenever it changes, and the "节假日…" item's
// window that shows the known years and imports a newer list.
class HolidayController : public QObject {
    Q_OBJECT
public:
    HolidayController(QString shippedFile, QString userFile, QObject *parent = nullptr);
    ~HolidayController() override;

    // Reads both lists again and emits changed().
    void load();
    std::shared_ptr<const HolidayTable> table() const { return m_table; }
    // Why the last load left a list out; empty when both were read (or there is no user list).
    QString loadError() const { return m_loadError; }
    // The known years as ranges: "2007–2026、2028"; "无" without any.
    QString yearsText() const;

    // Takes the years of the list at `path` into the user's list and reloads; a bad line or a
    // failed write changes nothing and sets `error`.
    bool importFile(const QString &path, QString *error);
    // The item's window: the known years, and an import through a file dialog.
    void showDialog(QWidget *parent);

signals:
    void changed(std::shared_ptr<const HolidayTable> table);

private:
    QString m_shippedFile;
    QString m_userFile;
    QString m_loadError;
    std::shared_ptr<const HolidayTable> m_table;
};
