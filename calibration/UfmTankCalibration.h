// The modal editor of one tank's calibration table.
#pragma once

#include "TableChart.h"

#include <QDialog>

#include <functional>

struct TankTable;
class TCalibrationEditor;
class TTableChartView;
class QPainter;
class QPushButton;

class TfmTankCalibration : public QDialog
{
    Q_OBJECT

public:
    // Shows the table of Table for editing; true when the user saved it.
    static bool EditTankTable(TankTable &Table, QWidget *parent);

    // Shows an input error in a modal box titled "Error" with the error icon
    // and one OK button. Replaceable, so that tests can take the text.
    static std::function<void(QWidget *parent, const QString &text)> ShowErrorBox;

    // Shows a message in a modal information box with one OK button.
    // Replaceable like ShowErrorBox.
    static std::function<void(QWidget *parent, const QString &text)> ShowMessageBox;

    // The standard file dialogs: the file the user chose, empty when the
    // dialog was cancelled. Replaceable, so that tests can answer them.
    using FileDialog = std::function<QString(QWidget *parent, const QString &caption, const QString &fileName,
                                             const QString &filter)>;
    static FileDialog GetOpenFileName;
    static FileDialog GetSaveFileName;

    TfmTankCalibration(TankTable &Table, QWidget *parent);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void EditorPaintGutter(QPainter *Canvas);
    void btnOkClick();
    void EditorChange();
    void btnChartClick();
    void btnImportClick();
    void btnExportClick();
    void PlaceOverParent();
    QStringList TableLines() const;
    void UpdateChart();

    QWidget *Panel1;
    TCalibrationEditor *Editor;
    QWidget *Panel2;
    QPushButton *btnOk;
    QPushButton *Button2;
    QPushButton *btnChart;
    QPushButton *btnImport;
    QPushButton *btnExport;
    TTableChart Chart;
    TTableChartView *ChartView;
    int LineCount;
    TankTable &Table;
    bool m_placed = false;
};
