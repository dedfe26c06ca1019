#include "ConfigPages.h"

#include "ConfigGrid.h"
#include "NumericEdit.h"
#include "common/Cp1251.h"
#include "common/Error.h"
#include "config/ConfigDataSet.h"
#include "config/ConfigDataSets.h"
#include "config/ConfigPresentation.h"
#include "config/NozzleFilter.h"
#include "config/TerminalConfig.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <limits>

namespace {

constexpr int kFieldWidth = 185;

template<typename Edit>
Edit *MakeEdit(const char *name)
{
    auto *edit = new Edit;
    edit->setObjectName(QString::fromLatin1(name));
    edit->setFixedWidth(kFieldWidth);
    return edit;
}

// The label of a member's box, and the group box it stands in.
QString Label(const ConfigPresentation::TField &field)
{
    return field.label.toString();
}

QString Group(const ConfigPresentation::TField &field)
{
    return field.group.toString();
}

QFormLayout *MakeForm()
{
    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    return form;
}

// A page holding the given layouts at its top left.
void FillPage(QWidget *page, const QList<QLayout *> &parts)
{
    auto *layout = new QVBoxLayout(page);
    for (QLayout *part : parts)
        layout->addLayout(part);
    layout->addStretch(1);
}

// Group boxes of one width, one below the other.
QLayout *Groups(const QList<QPair<QString, QFormLayout *>> &groups)
{
    auto *column = new QVBoxLayout;
    for (const auto &[title, form] : groups) {
        auto *box = new QGroupBox(title);
        box->setLayout(form);
        column->addWidget(box);
    }
    auto *row = new QHBoxLayout;
    row->addLayout(column);
    row->addStretch(1);
    return row;
}

QByteArray Bytes(const QLineEdit *edit)
{
    return Cp1251::fromUnicode(edit->text());
}

void ShowText(QLineEdit *edit, const QByteArray &bytes)
{
    edit->setText(Cp1251::toUnicode(bytes));
}

// The box's value as a signed 32-bit number; Default when it has none.
qint32 Integer(const TNumericEdit *edit, std::optional<qint32> Default)
{
    const std::optional<qint64> value = edit->Value();
    if (!value) {
        if (Default)
            return *Default;
        throw TError(QStringLiteral("Could not convert variant of type (%1) into type (%2)")
                         .arg(QStringLiteral("Null"), QStringLiteral("Integer")));
    }
    if (*value < std::numeric_limits<qint32>::min() || *value > std::numeric_limits<qint32>::max())
        throw TError(QStringLiteral("Range check error"));
    return qint32(*value);
}

} // namespace

TConfigPages::TConfigPages(const TConfigSheets &sheets, QObject *parent) : QObject(parent)
{
    dsTank = new TConfigDataSet(ConfigDataSets::TankFields(), this);
    dsTank->setObjectName(QStringLiteral("dsTank"));
    dsPump = new TConfigDataSet(ConfigDataSets::PumpFields(), this);
    dsPump->setObjectName(QStringLiteral("dsPump"));
    dsNozz = new TConfigDataSet(ConfigDataSets::NozzleFields(), this);
    dsNozz->setObjectName(QStringLiteral("dsNozz"));
    srcNozz = new TNozzleFilter(this);
    srcNozz->setObjectName(QStringLiteral("srcNozz"));
    srcNozz->setSourceModel(dsNozz);

    CreateAdminPage(sheets.tsConfigAdmin);
    CreateGprsPage(sheets.tsConfigGprs);
    CreateHttpPage(sheets.tsConfigHttp);
    CreateTankPage(sheets.tsConfigTank);
    CreatePumpPage(sheets.tsConfigPump);
    CreateCardsPage(sheets.TabSheet1);
    ForwardEdits();
}

void TConfigPages::ForwardEdits()
{
    // textEdited and cellEdited follow the user's input only.
    const QList<QLineEdit *> boxes{eOperPsw,   eAdminPsw,    eAdminTel,  eAPN,      eServerName, eServerPort,
                                   eServerDir, eServerLogin, eServerPsw, eSyncTime, eCardSector, eCardPsw};
    for (QLineEdit *box : boxes)
        connect(box, &QLineEdit::textEdited, this, &TConfigPages::edited);
    for (TConfigDataSet *dataSet : {dsTank, dsPump, dsNozz})
        connect(dataSet, &TConfigDataSet::cellEdited, this, &TConfigPages::edited);
}

void TConfigPages::CreateAdminPage(QWidget *page)
{
    eOperPsw = MakeEdit<QLineEdit>("eOperPsw");
    auto *oper = MakeForm();
    constexpr auto operPsw = ConfigPresentation::FieldOf("oper_psw");
    oper->addRow(Label(operPsw), eOperPsw);

    eAdminPsw = MakeEdit<QLineEdit>("eAdminPsw");
    eAdminTel = MakeEdit<QLineEdit>("eAdminTel");
    auto *admin = MakeForm();
    constexpr auto adminPsw = ConfigPresentation::FieldOf("admin_psw");
    admin->addRow(Label(adminPsw), eAdminPsw);
    admin->addRow(Label(ConfigPresentation::FieldOf("admin_tel")), eAdminTel);

    FillPage(page, {Groups({{Group(operPsw), oper}, {Group(adminPsw), admin}})});
}

void TConfigPages::CreateGprsPage(QWidget *page)
{
    eAPN = MakeEdit<QLineEdit>("eAPN");
    auto *form = MakeForm();
    form->addRow(Label(ConfigPresentation::FieldOf("apn")), eAPN);
    FillPage(page, {form});
}

void TConfigPages::CreateHttpPage(QWidget *page)
{
    eServerName = MakeEdit<QLineEdit>("eServerName");
    eServerPort = MakeEdit<TNumericEdit>("eServerPort");
    eServerDir = MakeEdit<QLineEdit>("eServerDir");
    eServerLogin = MakeEdit<QLineEdit>("eServerLogin");
    eServerPsw = MakeEdit<QLineEdit>("eServerPsw");
    eSyncTime = MakeEdit<TNumericEdit>("eSyncTime");
    auto *form = MakeForm();
    form->addRow(Label(ConfigPresentation::FieldOf("server_name")), eServerName);
    form->addRow(Label(ConfigPresentation::FieldOf("server_port")), eServerPort);
    form->addRow(Label(ConfigPresentation::FieldOf("server_dir")), eServerDir);
    form->addRow(Label(ConfigPresentation::FieldOf("server_login")), eServerLogin);
    form->addRow(Label(ConfigPresentation::FieldOf("server_psw")), eServerPsw);
    form->addRow(Label(ConfigPresentation::FieldOf("sync_time")), eSyncTime);
    FillPage(page, {form});
}

void TConfigPages::CreateTankPage(QWidget *page)
{
    DBGridEh1 = new TConfigGrid(*dsTank, dsTank);
    DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
    DBGridEh1->SetEditorAlwaysShown();
    connect(DBGridEh1, &TConfigGrid::ellipsisClicked, this, &TConfigPages::tableButtonClicked);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(DBGridEh1);
}

void TConfigPages::CreatePumpPage(QWidget *page)
{
    DBGridEh2 = new TConfigGrid(*dsPump, dsPump);
    DBGridEh2->setObjectName(QStringLiteral("DBGridEh2"));
    DBGridEh3 = new TConfigGrid(*dsNozz, srcNozz);
    DBGridEh3->setObjectName(QStringLiteral("DBGridEh3"));
    DBGridEh3->SetButtonFaceColumns({NozzleColumn::PumpNo, NozzleColumn::NozzNo});
    connect(DBGridEh2->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TConfigPages::ShowNozzlesOfCurrentPump);

    auto *caption = new QLabel(QStringLiteral("    Пистолеты ТРК"));
    caption->setObjectName(QStringLiteral("lblNozzles"));
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);

    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(DBGridEh2, 1);
    layout->addWidget(caption);
    layout->addWidget(DBGridEh3, 1);
}

void TConfigPages::CreateCardsPage(QWidget *page)
{
    eCardSector = MakeEdit<TNumericEdit>("eCardSector");
    eCardPsw = MakeEdit<QLineEdit>("eCardPsw");
    auto *form = MakeForm();
    form->addRow(Label(ConfigPresentation::FieldOf("card_sector")), eCardSector);
    form->addRow(Label(ConfigPresentation::FieldOf("card_psw")), eCardPsw);
    FillPage(page, {form});
}

void TConfigPages::ShowNozzlesOfCurrentPump()
{
    // A nozzle edit belongs to the dispenser it was made under.
    DBGridEh3->FinishEdit();
    const QModelIndex current = DBGridEh2->currentIndex();
    srcNozz->SetPumpNo(current.isValid() ? dsPump->Value(current.row(), PumpColumn::No) : 0);
}

void TConfigPages::MoveToFirstRows()
{
    DBGridEh1->MoveToFirstRow();
    DBGridEh2->MoveToFirstRow();
    ShowNozzlesOfCurrentPump();
    DBGridEh3->MoveToFirstRow();
}

void TConfigPages::Clear()
{
    for (QLineEdit *edit : {eOperPsw, eAdminPsw, eAdminTel, eAPN, eServerName})
        edit->clear();
    eServerPort->SetValue(std::nullopt);
    for (QLineEdit *edit : {eServerDir, eServerLogin, eServerPsw})
        edit->clear();
    eSyncTime->SetValue(std::nullopt);

    dsTank->Clear();
    dsPump->Clear();
    dsNozz->Clear();
    ShowNozzlesOfCurrentPump();

    eCardSector->SetValue(std::nullopt);
    eCardPsw->clear();
}

void TConfigPages::Show(const TTerminalConfig &Config)
{
    ShowText(eOperPsw, Config.oper_psw.Bytes());
    ShowText(eAdminPsw, Config.admin_psw.Bytes());
    ShowText(eAdminTel, Config.admin_tel.Bytes());
    ShowText(eAPN, Config.apn.Bytes());
    ShowText(eServerName, Config.server_name.Bytes());
    eServerPort->SetValue(Config.server_port);
    ShowText(eServerDir, Config.server_dir.Bytes());
    ShowText(eServerLogin, Config.server_login.Bytes());
    ShowText(eServerPsw, Config.server_psw.Bytes());
    eSyncTime->SetValue(Config.sync_time);

    ConfigDataSets::Fill(Config, *dsTank, *dsPump, *dsNozz);

    eCardSector->SetValue(Config.card_sector);
    ShowText(eCardPsw, Config.card_psw.Bytes());

    MoveToFirstRows();
}

void TConfigPages::FinishEdits()
{
    DBGridEh1->FinishEdit();
    DBGridEh2->FinishEdit();
    DBGridEh3->FinishEdit();
}

void TConfigPages::Store(TTerminalConfig &Config, TRows Rows)
{
    FinishEdits();

    Config.Clear();

    Config.oper_psw = Bytes(eOperPsw);
    Config.admin_psw = Bytes(eAdminPsw);
    Config.admin_tel = Bytes(eAdminTel);
    Config.apn = Bytes(eAPN);
    Config.server_name = Bytes(eServerName);
    Config.server_port = quint16(Integer(eServerPort, 80));
    Config.server_dir = Bytes(eServerDir);
    Config.server_login = Bytes(eServerLogin);
    Config.server_psw = Bytes(eServerPsw);
    Config.sync_time = quint16(Integer(eSyncTime, 0));

    ConfigDataSets::Store(*dsTank, *dsPump, *dsNozz, Config);
    if (Rows == TRows::MoveToFirst)
        MoveToFirstRows();

    Config.card_sector = quint8(Integer(eCardSector, std::nullopt));
    Config.card_psw = Bytes(eCardPsw);
}

std::optional<TTankRow> TConfigPages::CurrentTank() const
{
    const QModelIndex current = DBGridEh1->currentIndex();
    if (!current.isValid())
        return std::nullopt;
    return TTankRow{dsTank->Value(current.row(), TankColumn::No), dsTank->Value(current.row(), TankColumn::Hmax)};
}

void TConfigPages::SetTableButtonEnabled(bool enabled)
{
    DBGridEh1->SetEllipsisEnabled(enabled);
}
