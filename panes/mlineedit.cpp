#include "panes/mlineedit.h"

#include "core/messages.h"
#include "core/settings.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QFontDialog>
#include <QMenu>
#include <QPointer>

namespace
{
std::optional<QFont> askFontDialog(const QFont& initial, QWidget* parent)
{
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, initial, parent);
    if (!ok) return std::nullopt;
    return font;
}

Mlineedit::FontChooser& chooser()
{
    static Mlineedit::FontChooser current = askFontDialog;
    return current;
}
} // namespace

Mlineedit::FontChooser Mlineedit::setFontChooser(FontChooser next)
{
    FontChooser previous = chooser();
    chooser() = next ? std::move(next) : FontChooser(askFontDialog);
    return previous;
}

std::optional<QFont> Mlineedit::chooseFont(const QFont& initial, QWidget* parent)
{
    return chooser()(initial, parent);
}

Mlineedit::Mlineedit(QComboBox* combo) : QLineEdit(combo), combo_(combo)
{
    QFont f = combo->font();
    const StoredFont stored = Settings::font(QLatin1String(Settings::kHistoryComboFontGroup));
    if (stored.family) f.setFamily(*stored.family);
    if (stored.pointSize) f.setPointSize(*stored.pointSize);
    if (stored.weight) f.setWeight(*stored.weight);
    if (stored.italic) f.setItalic(*stored.italic);
    setFont(f);
    combo->setFont(f);
}

Mlineedit::~Mlineedit()
{
    // Every history combo box shares the keys: the last one destroyed wins.
    if (!fontChanged_) return;
    const QFont f = font();
    Settings::setFont(QLatin1String(Settings::kHistoryComboFontGroup), f.family(), f.pointSize(),
                      f.weight(), f.italic());
}

void Mlineedit::launchSelectFont()
{
    const std::optional<QFont> chosen = chooseFont(font(), this);
    if (!chosen) {
        Messages::report(tr("Font change canceled."));
        return;
    }
    fontChanged_ = true;
    setFont(*chosen);
    combo_->setFont(*chosen);
}

void Mlineedit::contextMenuEvent(QContextMenuEvent* event)
{
    // The menu is our child: it goes when we do, even during exec().
    QPointer<QMenu> menu = createStandardContextMenu();
    for (QAction* action : menu->actions())
        if (action->text().contains(QLatin1String("Unicode"))) menu->removeAction(action);
    menu->addAction(tr("Clear"), this, &QLineEdit::clear);
    menu->addAction(tr("Change font…"), this, &Mlineedit::launchSelectFont);
    menu->exec(event->globalPos());
    delete menu;
}
