// Helpers for driving the whole main window against the controller stand-in,
// with the mouse and keyboard as a user does.
#pragma once

#include "ControllerSim.h"
#include "ModalDriver.h"
#include "SettingsFile.h"
#include "UserInput.h"
#include "app/ConfigGrid.h"
#include "app/EllipsisDelegate.h"
#include "app/UfmMain.h"
#include "config/ConfigDataSet.h"

#include <QAction>
#include <QDialog>
#include <QStringList>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

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

// Clicks the toolbar button of the action.
inline void ClickAction(TfmMain &window, QAction *action)
{
    UserInput::Click(window.findChild<QToolBar *>("ToolBar1")->widgetForAction(action));
}

// Clicks the tab of the top page control that shows page.
inline void ClickTab(TfmMain &window, QWidget *page)
{
    QTabBar *tabs = window.pc->tabBar();
    UserInput::Click(tabs, tabs->tabRect(window.pc->indexOf(page)).center());
}

// Clicks the node of the navigation tree whose text is node.
inline void ClickNode(TfmMain &window, const QString &node)
{
    const QModelIndexList indexes = window.tvConfig->model()->match(
        window.tvConfig->model()->index(0, 0), Qt::DisplayRole, node, 1, Qt::MatchExactly | Qt::MatchRecursive);
    if (indexes.isEmpty()) {
        QTest::qFail("no such node", __FILE__, __LINE__);
        return;
    }
    UserInput::ClickCell(window.tvConfig, indexes.first());
}

// Shows the tank page through the tree.
inline void ShowTankPage(TfmMain &window)
{
    ClickNode(window, QStringLiteral("Резервуары"));
}

// Clicks a cell of the tank grid (the tank page showing).
inline void ClickTankCell(TfmMain &window, int row, int column)
{
    TConfigGrid *grid = TankGrid(window);
    UserInput::ClickCell(grid, grid->model()->index(row, column));
}

// The tank grid's table column.
inline int TableColumn(TfmMain &window)
{
    return static_cast<const TConfigDataSet *>(TankGrid(window)->model())->FieldIndex("tbl");
}

// Clicks the table button ("...") of a tank row (the tank page showing).
inline void ClickTableButton(TfmMain &window, int row)
{
    TConfigGrid *grid = TankGrid(window);
    UserInput::ClickCell(grid, grid->model()->index(row, TableColumn(window)),
                         [](const QRect &cell) { return TEllipsisDelegate::ButtonRect(cell).center(); });
}

// Whether the table buttons take clicks.
inline bool TableButtonsEnabled(TfmMain &window)
{
    const auto *buttons = qobject_cast<TEllipsisDelegate *>(TankGrid(window)->itemDelegateForColumn(TableColumn(window)));
    return buttons && buttons->ButtonEnabled();
}
