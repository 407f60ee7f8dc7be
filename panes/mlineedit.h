#pragma once

#include <QFont>
#include <QLineEdit>
#include <functional>
#include <optional>

class QComboBox;

// The line edit of the history combo boxes: a context menu to clear it or
// change its font, and one font shared by all of them, kept under "HCFont".
// The combo box installs it with setLineEdit().
class Mlineedit : public QLineEdit
{
    Q_OBJECT
public:
    explicit Mlineedit(QComboBox* combo);
    ~Mlineedit() override; // writes the font when the user changed it

    // Asks the user for a font; nullopt when cancelled. Tests replace it so
    // that no modal dialog opens; an empty chooser restores the font dialog.
    using FontChooser = std::function<std::optional<QFont>(const QFont& initial, QWidget* parent)>;
    static FontChooser setFontChooser(FontChooser chooser);
    // Runs the chooser in use; the text panes ask through it too.
    static std::optional<QFont> chooseFont(const QFont& initial, QWidget* parent);

public slots:
    void launchSelectFont();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QComboBox* combo_;
    bool fontChanged_ = false;
};
