// The modal editor of one tank's calibration table.
#pragma once

#include <QDialog>

#include <functional>

struct TankTable;
class TCalibrationEditor;
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

    TfmTankCalibration(TankTable &Table, QWidget *parent);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void EditorPaintGutter(QPainter *Canvas);
    void btnOkClick();
    void EditorChange();
    void PlaceOverParent();

    QWidget *Panel1;
    TCalibrationEditor *Editor;
    QWidget *Panel2;
    QPushButton *btnOk;
    QPushButton *Button2;
    int LineCount;
    TankTable &Table;
    bool m_placed = false;
};
