#pragma once

#include "links/LinkTables.h"

#include <QColor>
#include <QDialog>
#include <QList>

class Check;
class QLineEdit;
class QPushButton;

// The link-types editor "Редактирование шаблонов ссылок": seven rows, one per slot, each with the check
// box EnCheck<r>, the title box Title<r> and the pattern box LinksType<r> (r = 0..6 for slots 1..7).
// "ОК" (XpB1) saves all rows to linkTypes.ini and the tables and accepts; "Отмена" (Command3) rejects
// and changes nothing. The caller rebuilds its selector after an accepted editor.
class EditLinkTypes final : public QDialog
{
    Q_OBJECT

public:
    EditLinkTypes(QString programFolder, LinkTables& tables, QWidget* parent = nullptr);

    static QColor EnabledColor() { return QColor(224, 224, 224); }
    static QColor DisabledColor() { return QColor(192, 192, 192); }
    static QColor FocusColor() { return QColor(255, 255, 255); }

public slots:
    // The "ОК" button: writes every row to linkTypes.ini and the tables, then closes the window.
    void SaveLinkTypes();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Row {
        Check* enCheck = nullptr;
        QLineEdit* title = nullptr;
        QLineEdit* pattern = nullptr;
    };

    void applyRowState(int row);
    int rowOf(const QObject* box) const;

    QString m_programFolder;
    LinkTables& m_tables;
    QList<Row> m_rows;
};
