#pragma once

#include "song/takeanalysis.h"

#include <QDialog>

class QListWidget;
class TakePlot;

// The analysis of the song's last kept take: the plot, the summary and the
// worst measures. Choosing a measure asks for the practice loop around it.
class TakeWindow : public QDialog
{
    Q_OBJECT
public:
    TakeWindow(const TakeRecord& take, QWidget* parent = nullptr);

    const TakeAnalysis& analysis() const { return analysis_; }
    TakePlot* plot() const { return plot_; }
    QListWidget* worstList() const { return worst_; }
    // Writes the clusters as CSV; a failure is told to the user.
    bool exportCsv(const QString& path);

signals:
    void loopRequested(int measure); // counted from 1
    void historyRequested();

private:
    void chooseCsvFile();

    TakeAnalysis analysis_;
    TakePlot* plot_;
    QListWidget* worst_;
};
