#pragma once

#include <QMainWindow>

// The program's one main window.
class TopWidget : public QMainWindow
{
    Q_OBJECT
public:
    TopWidget();
    ~TopWidget() override;

public slots:
    // Closes the song, writes the window's keys and closes the window.
    void quit();
};
