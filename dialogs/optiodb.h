#pragma once

#include <QDialog>
#include <QWidget>
#include <utility>

class OptioDB;
class QPushButton;
class QTabWidget;

// One page of a configuration dialog. It is clean until the user edits it;
// OK and Apply copy its values where they act, and only then.
class OptionsTab : public QWidget
{
    Q_OBJECT
public:
    explicit OptionsTab(OptioDB* dialog);

    bool isDirty() const { return dirty_; }
    bool isInitialised() const { return initialised_; }

    // Copies the widget values where they act. Default: nothing but clean.
    virtual void setOptions();
    // Undoes what edits did at once (previews). Default: nothing but clean.
    virtual void unsetOptions();
    // Writes what setOptions() changed to the settings store, after it.
    virtual void saveOptions() {}
    // Fills the tab's lists, once, when it is first shown.
    virtual void firstShow() {}
    // The sequencer's ports changed: lists of them are filled anew, keeping
    // what the user chose.
    virtual void devicesChanged() {}

    // The dialog runs firstShow() through here, once.
    void initialise();

public slots:
    void setDirty();
    void setClean();

    // True once after setOptions() refused to apply anything.
    bool takeRefusal() { return std::exchange(refused_, false); }

protected:
    OptioDB* dialog() const { return dialog_; }
    // Called from setOptions() when nothing could be applied: the tab stays
    // edited and unsaved, and OK leaves the dialog open.
    void refuse() { refused_ = true; }

private:
    OptioDB* dialog_;
    bool dirty_ = false;
    bool refused_ = false;
    bool initialised_ = false;
};

// A tabbed configuration dialog with OK, Cancel (Close when nothing was
// edited) and Apply. OK and Apply act on the tab shown; closing the dialog by
// any other way than OK undoes the previews of every edited tab, and OK
// undoes those of the edited tabs it did not apply.
class OptioDB : public QDialog
{
    Q_OBJECT
public:
    explicit OptioDB(QWidget* parent = nullptr);

    QTabWidget* tabs() const { return tabs_; }
    OptionsTab* currentTab() const;
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* applyButton() const { return apply_; }

    // The button row for a tab that is (or is not) edited.
    void showButtons(bool dirty);

    void done(int result) override;

public slots:
    void initTab(int index);
    // OK and Apply: the tab shown, when edited, is applied and saved.
    void setOptions();
    // Undoes the previews of every edited tab.
    void unsetOptions();
    // The device lists changed while the dialog is open.
    void devicesChanged();

protected:
    void addTab(OptionsTab* tab, const QString& title);
    // Shows the tab at `index` (0 when out of range) and initialises it.
    void openAt(int index);
    void keyPressEvent(QKeyEvent* event) override;

private:
    // False when the tab refused to apply.
    bool applyCurrent();
    void acceptApplied();

    QTabWidget* tabs_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QPushButton* apply_;
};
