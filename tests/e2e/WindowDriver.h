// Helpers for driving the whole main window against the controller stand-in.
#pragma once

#include "ControllerSim.h"
#include "ModalDriver.h"
#include "SettingsFile.h"
#include "app/ConfigGrid.h"
#include "app/UfmMain.h"

#include <QDialog>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

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
