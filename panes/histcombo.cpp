#include "panes/histcombo.h"

#include "core/settings.h"
#include "panes/mlineedit.h"

HistCombo::HistCombo(QWidget* parent, const QString& group, const QString& suffix, int maxCount,
                     const QString& objectName)
    : CleanComboLim(parent), group_(group), suffix_(suffix)
{
    setObjectName(objectName);
    setEditable(true);
    setMaxCount(maxCount);
    setDuplicatesEnabled(false);
    setLineEdit(new Mlineedit(this));
    setInsertPolicy(QComboBox::InsertAtTop);
    if (Settings::storeHistory(group_, suffix_)) {
        QStringList stored = Settings::history(group_, suffix_);
        stored.removeDuplicates();
        insertItems(0, stored);
    }
    setCurrentIndex(-1);
}

// The flag is the Options dialog's: read now, not as it was when the box was made.
HistCombo::~HistCombo()
{
    if (!Settings::storeHistory(group_, suffix_)) return;
    QStringList list = items().mid(0, maxCount());
    list.removeDuplicates();
    Settings::setHistory(group_, suffix_, list);
}

QStringList HistCombo::items() const
{
    QStringList list;
    for (int i = 0; i < count(); ++i) list << itemText(i);
    return list;
}

void HistCombo::remember(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || findText(t, Qt::MatchFixedString | Qt::MatchCaseSensitive) >= 0) return;
    insertItem(0, t);
}
