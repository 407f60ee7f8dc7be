#include "dialogs/historywindow.h"

#include "core/messages.h"
#include "core/programname.h"
#include "dialogs/historyplot.h"
#include "journal/journal.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

HistoryWindow::HistoryWindow(Journal& journal, const SongIdentity& song, const MasteryRules& rules,
                             QWidget* parent)
    : QDialog(parent), journal_(journal), song_(song), rules_(rules), plot_(new HistoryPlot(this)),
      map_(new MasteryMap(this)), empty_(new QLabel(this)), total_(new QLabel(this)),
      sessions_(new QLabel(this))
{
    setObjectName(QStringLiteral("historywindow"));
    setWindowTitle(QLatin1String(App::kProgramName) + QStringLiteral(" - ") +
                   tr("Practice history"));
    plot_->setObjectName(QStringLiteral("historyplot"));
    plot_->setToolTip(tr("Each session's deviation from the file, and how steady its tempo was"));
    map_->setObjectName(QStringLiteral("masterymap"));
    empty_->setObjectName(QStringLiteral("l_empty"));
    empty_->setText(tr("No practice of this song yet."));
    empty_->setAlignment(Qt::AlignCenter);
    total_->setObjectName(QStringLiteral("l_total"));
    sessions_->setObjectName(QStringLiteral("l_sessions"));

    auto* summary = new QFormLayout;
    summary->addRow(tr("Time practised:"), total_);
    summary->addRow(tr("Sessions:"), sessions_);
    auto* mapLabel = new QLabel(tr("Mastery of each measure, from red to green:"), this);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    const auto add = [&](const QString& text, const char* name) {
        QPushButton* b = buttons->addButton(text, QDialogButtonBox::ActionRole);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    weakest_ = add(tr("Practise the &weakest"), "pb_weakest");
    csv_ = add(tr("&Export CSV…"), "pb_exportCsv");
    forget_ = add(tr("&Forget this song's history"), "pb_forget");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(empty_);
    layout->addWidget(plot_, 1);
    layout->addLayout(summary);
    layout->addWidget(mapLabel);
    layout->addWidget(map_);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(weakest_, &QPushButton::clicked, this, &HistoryWindow::practiseWeakestRequested);
    connect(csv_, &QPushButton::clicked, this, &HistoryWindow::chooseCsvFile);
    connect(forget_, &QPushButton::clicked, this, &HistoryWindow::forget);
    reload();
}

QString HistoryWindow::duration(qint64 seconds)
{
    if (seconds >= 3600)
        return tr("%1 h %2 min")
            .arg(seconds / 3600)
            .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'));
    return tr("%1 min %2 s").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

void HistoryWindow::reload()
{
    history_ = journal_.history(song_);
    qint64 seconds = 0;
    for (const JournalSession& s : history_.sessions) seconds += std::max(0, s.seconds);
    const bool any = !history_.sessions.empty();
    total_->setText(duration(seconds));
    sessions_->setText(QString::number(history_.sessions.size()));
    plot_->setSessions(history_.sessions);
    map_->setMap(masteryMap(history_, rules_, song_.measures));
    empty_->setVisible(!any);
    plot_->setVisible(any);
    weakest_->setEnabled(any && practiseAllowed_);
    csv_->setEnabled(any);
    forget_->setEnabled(any);
}

void HistoryWindow::setPractiseEnabled(bool on)
{
    practiseAllowed_ = on;
    weakest_->setEnabled(on && !history_.sessions.empty());
}

void HistoryWindow::forget()
{
    const QString text = tr("Forget every practice session of %1? This cannot be undone.");
    if (Messages::question(text.arg(song_.title)) != Yes) return;
    journal_.forget(song_); // a failure is told by the journal
    reload();
    emit historyForgotten();
}

bool HistoryWindow::exportCsv(const QString& path)
{
    QString error;
    if (journal_.exportCsv(song_, path, &error)) return true;
    Messages::warning(tr("Could not write %1: %2").arg(path, error));
    return false;
}

// Without a nested event loop, as the take's export: the window may go with
// its song while the file dialog is open.
void HistoryWindow::chooseCsvFile()
{
    auto* dialog = new QFileDialog(this, tr("Export the practice history as CSV"), QString(),
                                   tr("CSV files (*.csv)"));
    dialog->setObjectName(QStringLiteral("csvdialog"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("csv"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, &HistoryWindow::exportCsv);
    dialog->open();
}
