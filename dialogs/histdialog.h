#pragma once

#include <QDialog>

class HistCombo;
class QPushButton;

// Asks for one line of text, offering what was entered before.
class HistDialog : public QDialog
{
    Q_OBJECT
public:
    HistDialog(const QString& title, const QString& label, QWidget* parent, const QString& group,
               const QString& suffix, int maxCount, const QString& objectName);

    QString text() const;
    HistCombo* combo() const { return combo_; }
    QPushButton* okButton() const { return ok_; }
    // Puts the text at the top of the history, ready to be accepted.
    void offer(const QString& text);

public slots:
    void textSearchChanged(const QString& text);
    void remember();

private:
    HistCombo* combo_;
    QPushButton* ok_;
};
