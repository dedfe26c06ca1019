// The contents of the six configuration pages and their exchange with the
// in-memory configuration.
//
// Fills the page widgets it is given with the edit boxes and grids, owns the
// data sets behind the grids (dsTank, dsPump, dsNozz; the nozzle grid shows
// the nozzles of the current dispenser row) and moves values between the
// pages and a TTerminalConfig. Each box is bound to its member through the
// configuration's schema, as its presentation names it; a text box takes no
// more characters than its member holds. Boxes show Unicode; the
// configuration holds code page 1251 bytes, a character the code page lacks
// becoming '?'.
#pragma once

#include <QList>
#include <QObject>
#include <optional>

class QLineEdit;
class QWidget;
class TConfigDataSet;
class TConfigGrid;
class TNozzleFilter;
class TTerminalConfig;

struct TConfigSheets
{
    QWidget *tsConfigAdmin;
    QWidget *tsConfigGprs;
    QWidget *tsConfigHttp;
    QWidget *tsConfigTank;
    QWidget *tsConfigPump;
    QWidget *TabSheet1;
};

// The tank grid's current row.
struct TTankRow
{
    int no;
    int hmax;
};

class TConfigPages : public QObject
{
    Q_OBJECT

public:
    explicit TConfigPages(const TConfigSheets &sheets, QObject *parent = nullptr);

    // Empties every box and deletes every grid row.
    void Clear();
    // Fills the pages from Config: every box, 6 tank rows, 4 dispenser rows
    // and 16 nozzle rows; the first row of every grid becomes current.
    void Show(const TTerminalConfig &Config);
    // What Store() does with the grids' current rows: a write moves them to
    // the first rows; a comparison leaves them where they are.
    enum class TRows { MoveToFirst, Keep };
    // Finishes pending cell edits, clears Config and stores the pages into
    // it. Throws TError for an empty number box that has no value for empty
    // (the card sector) or a number beyond 32 bits; Config then holds what
    // was stored before that box.
    void Store(TTerminalConfig &Config, TRows Rows = TRows::MoveToFirst);

    // Takes what is typed into an open cell editor into its data set.
    void FinishEdits();

    std::optional<TTankRow> CurrentTank() const;
    // Enables or disables the tank grid's table buttons.
    void SetTableButtonEnabled(bool enabled);

signals:
    // The ellipsis button of the tank grid's table column was pressed; the
    // tank grid's current row is the one pressed.
    void tableButtonClicked();
    // The user changed a box or a grid cell; filling and emptying the pages
    // is no change.
    void edited();

private:
    void CreateBoxPage(QWidget *page, int Page);
    void CreateTankPage(QWidget *page);
    void CreatePumpPage(QWidget *page);
    void ShowNozzlesOfCurrentPump();
    void MoveToFirstRows();
    void ForwardEdits();
    // Calls Box(i) for the box of every field i and Grids() once, where the
    // grids' pages stand among the boxes' pages.
    template<typename Box, typename Grids>
    void InPageOrder(Box &&box, Grids &&grids);

    // The box of each of ConfigPresentation::Fields, by the field's position.
    QList<QLineEdit *> m_boxes;

    TConfigDataSet *dsTank;
    TConfigDataSet *dsPump;
    TConfigDataSet *dsNozz;
    TNozzleFilter *srcNozz;
    TConfigGrid *DBGridEh1;
    TConfigGrid *DBGridEh2;
    TConfigGrid *DBGridEh3;
};
