// Helpers for driving the whole main window against the controller stand-in.
#pragma once

#include "ControllerSim.h"
#include "app/ConfigGrid.h"
#include "app/UfmMain.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

// A settings file of its own, so the window starts on COM1.
struct SettingsFile
{
    SettingsFile() { qputenv("KOLT_TARVO_SETTINGS", dir.filePath("kolt-tarvo-conf.ini").toLocal8Bit()); }
    ~SettingsFile() { qunsetenv("KOLT_TARVO_SETTINGS"); }
    QTemporaryDir dir;
};

// Hands every modal dialog of type Dialog that opens to handle; one that is
// still open 5 s later is rejected, so that a regression fails instead of
// hanging.
template<typename Dialog>
class ModalDriver : public QObject
{
public:
    explicit ModalDriver(std::function<void(Dialog *)> handle = [](Dialog *dialog) { dialog->reject(); })
        : m_handle(std::move(handle))
    {
        connect(&m_poll, &QTimer::timeout, this, [this] {
            auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
            if (!dialog || dialog == m_handled)
                return;
            m_handled = dialog;
            ++Opened;
            m_handle(dialog);
            if (dialog->isVisible())
                QTimer::singleShot(5000, dialog, [this, dialog] {
                    LeftOpen = true;
                    dialog->reject();
                });
        });
        m_poll.start(10);
    }

    int Opened = 0;
    bool LeftOpen = false;

private:
    std::function<void(Dialog *)> m_handle;
    QTimer m_poll;
    QPointer<Dialog> m_handled;
};

// The commands the stand-in received, from the index-th on.
inline QStringList Commands(const sim::ControllerSim &sim, int from = 0)
{
    QStringList commands;
    for (const std::string &command : sim.commands())
        commands.append(QString::fromStdString(command));
    return commands.mid(from);
}

inline TConfigGrid *TankGrid(TfmMain &window)
{
    return window.findChild<TConfigGrid *>("DBGridEh1");
}

inline void SelectTankRow(TfmMain &window, int row)
{
    TConfigGrid *grid = TankGrid(window);
    grid->setCurrentIndex(grid->model()->index(row, 1));
}
