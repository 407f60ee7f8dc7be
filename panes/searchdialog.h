#pragma once

#include <QDialog>

class HistCombo;
class QCheckBox;
class QPushButton;

// The find dialog of a text pane. It only collects the text, with its
// history, and the options: its Find button asks the pane to search.
class SearchDialog : public QDialog
{
    Q_OBJECT
public:
    // history: the combo's object name; group and suffix: where it keeps its items.
    SearchDialog(QWidget* pane, const QString& history, const QString& group,
                 const QString& suffix);

    QString text() const;
    void setText(const QString& text);
    bool caseSensitivity() const;
    bool direction() const; // true: backwards
    bool wholeword() const;
    void setCaseSensitivity(bool on);
    void setDirection(bool backwards);
    void setWholeword(bool on);
    HistCombo* combo() const { return combo_; }

    // Set by a new text or option, cleared by the pane when it wraps around:
    // the first failure of a fresh search offers to wrap, a later one only says so.
    bool freshSearch() const { return fresh_; }
    void setFreshSearch(bool on) { fresh_ = on; }

signals:
    void search();
    void done();

public slots:
    void slotUser1();
    void slotCancel();
    void textSearchChanged(const QString& text);
    // Escape and the window's close button end the dialog as Close does.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    HistCombo* combo_;
    QCheckBox* case_;
    QCheckBox* direction_;
    QCheckBox* wholeword_;
    QPushButton* find_;
    bool fresh_ = true;
};
