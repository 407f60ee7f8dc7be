#pragma once

#include "panes/cleanwidgets.h"

// An editable combo box that remembers what was typed into it across runs,
// most recent first, under group + "/history" + suffix while the flag
// group + "/storeHistory" + suffix is on. Its line edit is an Mlineedit.
class HistCombo : public CleanComboLim
{
    Q_OBJECT
public:
    HistCombo(QWidget* parent, const QString& group, const QString& suffix, int maxCount,
              const QString& objectName);
    ~HistCombo() override; // stores the items

    QStringList items() const;
    // Puts the trimmed text at the top unless it is empty or already there.
    void remember(const QString& text);

private:
    QString group_;
    QString suffix_;
};
