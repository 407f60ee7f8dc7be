#include "dialogs/takewindow.h"

#include "core/messages.h"
#include "core/programname.h"
#include "dialogs/takeplot.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

namespace
{
QString milliseconds(double ms)
{
    return TakeWindow::tr("%1 ms").arg(QString::number(ms, 'f', 1));
}
} // namespace

TakeWindow::TakeWindow(const TakeRecord& take, QWidget* parent)
    : QDialog(parent), analysis_(analyseTake(take)), plot_(new TakePlot(this)),
      worst_(new QListWidget(this))
{
    setObjectName(QStringLiteral("takewindow"));
    setWindowTitle(QLatin1String(App::kProgramName) + QStringLiteral(" - ") + tr("Take analysis"));
    plot_->setObjectName(QStringLiteral("takeplot"));
    plot_->setAnalysis(analysis_);
    plot_->setToolTip(tr("Each dot is a cluster: above the line it was played late, below it "
                         "early. Click a measure to loop it."));

    const TakeSummary& s = analysis_.summary;
    auto* summary = new QFormLayout;
    const auto row = [&](const QString& label, const QString& value, const char* name) {
        auto* text = new QLabel(value, this);
        text->setObjectName(QLatin1String(name));
        summary->addRow(label, text);
    };
    row(tr("Clusters played:"), QString::number(s.clusters), "l_clusters");
    row(tr("Median deviation:"), milliseconds(s.medianAbsMs), "l_median");
    row(tr("90th percentile:"), milliseconds(s.p90AbsMs), "l_p90");
    row(tr("Steadiness:"), milliseconds(s.p90SteadyMs), "l_steady");
    row(tr("Tempo:"),
        analysis_.tempoFollowed ? tr("followed the player") : tr("kept by the accompaniment"),
        "l_tempo");

    worst_->setObjectName(QStringLiteral("lw_worst"));
    for (const MeasureScore& m : s.worst) {
        auto* item = new QListWidgetItem(
            tr("Measure %1: %2 on average").arg(m.measure).arg(milliseconds(m.meanAbsMs)), worst_);
        item->setData(Qt::UserRole, int(std::min<qint64>(m.measure, INT_MAX)));
    }
    worst_->setToolTip(tr("Click a measure to set the loop around it"));
    worst_->setMaximumHeight(worst_->sizeHintForRow(0) * 5 + 2 * worst_->frameWidth() + 4);
    auto* worstBox = new QVBoxLayout;
    auto* worstLabel = new QLabel(tr("&Worst measures (click one to loop it):"), this);
    worstLabel->setBuddy(worst_);
    worstBox->addWidget(worstLabel);
    worst_->setCurrentRow(0);
    worstBox->addWidget(worst_);

    auto* lower = new QHBoxLayout;
    lower->addLayout(summary);
    lower->addSpacing(24);
    lower->addLayout(worstBox, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* csv = buttons->addButton(tr("&Export CSV…"), QDialogButtonBox::ActionRole);
    csv->setObjectName(QStringLiteral("pb_exportCsv"));
    csv->setEnabled(s.clusters > 0);
    QPushButton* history = buttons->addButton(tr("&History…"), QDialogButtonBox::ActionRole);
    history->setObjectName(QStringLiteral("pb_history"));
    history->setToolTip(tr("The practice history of this song"));
    // Return belongs to the list of measures, not to a default button.
    for (QAbstractButton* b : buttons->buttons())
        if (auto* push = qobject_cast<QPushButton*>(b)) push->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(plot_, 1);
    layout->addLayout(lower);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(csv, &QPushButton::clicked, this, &TakeWindow::chooseCsvFile);
    connect(history, &QPushButton::clicked, this, &TakeWindow::historyRequested);
    connect(plot_, &TakePlot::measureClicked, this, &TakeWindow::loopRequested);
    // A click, or Return on the measure chosen with the keyboard.
    const auto loopItem = [this](QListWidgetItem* item) {
        emit loopRequested(item->data(Qt::UserRole).toInt());
    };
    connect(worst_, &QListWidget::itemClicked, this, loopItem);
    connect(worst_, &QListWidget::itemActivated, this, loopItem);
}

bool TakeWindow::exportCsv(const QString& path)
{
    QString error;
    if (writeTakeCsv(analysis_, path, &error)) return true;
    Messages::warning(tr("Could not write %1: %2").arg(path, error));
    return false;
}

// Without a nested event loop: the window may go with its song (a quit by a
// signal) while the file dialog is open, and takes the dialog along.
void TakeWindow::chooseCsvFile()
{
    auto* dialog =
        new QFileDialog(this, tr("Export the take as CSV"), QString(), tr("CSV files (*.csv)"));
    dialog->setObjectName(QStringLiteral("csvdialog"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("csv"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, &TakeWindow::exportCsv);
    dialog->open();
}
