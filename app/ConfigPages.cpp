#include "ConfigPages.h"

#include "ConfigGrid.h"
#include "NumericEdit.h"
#include "common/Cp1251.h"
#include "common/Error.h"
#include "config/ConfigDataSet.h"
#include "config/ConfigDataSets.h"
#include "config/ConfigPresentation.h"
#include "config/ConfigSchema.h"
#include "config/NozzleFilter.h"
#include "config/TerminalConfig.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <array>
#include <iterator>
#include <limits>
#include <utility>

// Not constexpr: reached while the compiler binds the boxes, they stop the build.
namespace ConfigPagesChecks {
void BoxOnAMemberThatIsNoNumberOrText();
void EmptyValueForAText();
void FieldsOutOfPageOrder();
}

namespace {

using ConfigPresentation::Fields;
constexpr std::size_t kFieldCount = std::size(Fields);
constexpr int kFieldWidth = 185;

// The member that a box shows: a number or a text.
struct TBoxMember
{
    ConfigSchema::TNumberAccess<TTerminalConfig> number;
    ConfigSchema::TTextAccess<TTerminalConfig> text;
};

consteval std::array<TBoxMember, kFieldCount> BindBoxes()
{
    using namespace ConfigPagesChecks;
    std::array<TBoxMember, kFieldCount> bound{};
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        const std::size_t member = ConfigSchema::IndexOf<TTerminalConfig>(Fields[i].member);
        bound[i] = {ConfigSchema::NumberAccess<TTerminalConfig>[member], ConfigSchema::TextAccess<TTerminalConfig>[member]};
        if (bound[i].number.number == (bound[i].text.capacity > 0))
            BoxOnAMemberThatIsNoNumberOrText();
        if (Fields[i].whenEmpty && !bound[i].number.number)
            EmptyValueForAText();
        // Storing walks the fields; the pages' order is the order of storing.
        if (i > 0 && Fields[i].page < Fields[i - 1].page)
            FieldsOutOfPageOrder();
    }
    return bound;
}

constexpr auto kBoxMembers = BindBoxes();

// The label of a member's box.
QString Label(const ConfigPresentation::TField &field)
{
    return field.label.toString();
}

QFormLayout *MakeForm()
{
    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    return form;
}

// The box of field Field: a number box, or a text box that takes no more
// characters than its member holds.
QLineEdit *MakeBox(std::size_t Field)
{
    const TBoxMember &member = kBoxMembers[Field];
    QLineEdit *box = member.number.number ? new TNumericEdit : new QLineEdit;
    if (!member.number.number)
        box->setMaxLength(int(member.text.capacity));
    box->setObjectName(Fields[Field].box.toString());
    box->setFixedWidth(kFieldWidth);
    return box;
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

    m_boxes.resize(qsizetype(kFieldCount));
    CreateBoxPage(sheets.tsConfigAdmin, ConfigPage::Admin);
    CreateBoxPage(sheets.tsConfigGprs, ConfigPage::Gprs);
    CreateBoxPage(sheets.tsConfigHttp, ConfigPage::Http);
    CreateTankPage(sheets.tsConfigTank);
    CreatePumpPage(sheets.tsConfigPump);
    CreateBoxPage(sheets.TabSheet1, ConfigPage::Cards);
    ForwardEdits();
}

void TConfigPages::ForwardEdits()
{
    // textEdited and cellEdited follow the user's input only.
    for (QLineEdit *box : std::as_const(m_boxes))
        connect(box, &QLineEdit::textEdited, this, &TConfigPages::edited);
    for (TConfigDataSet *dataSet : {dsTank, dsPump, dsNozz})
        connect(dataSet, &TConfigDataSet::cellEdited, this, &TConfigPages::edited);
}

void TConfigPages::CreateBoxPage(QWidget *page, int Page)
{
    // A run of fields in one group box shares a form; group boxes that
    // follow each other stand in one column.
    QList<QLayout *> parts;
    QList<QPair<QString, QFormLayout *>> groups;
    const auto endGroups = [&] {
        if (!groups.isEmpty())
            parts << Groups(groups);
        groups.clear();
    };
    QFormLayout *form = nullptr;
    QStringView formGroup;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        const ConfigPresentation::TField &field = Fields[i];
        if (field.page != Page)
            continue;
        if (!form || field.group != formGroup) {
            form = MakeForm();
            formGroup = field.group;
            if (field.group.isEmpty()) {
                endGroups();
                parts << form;
            } else {
                groups.append({field.group.toString(), form});
            }
        }
        m_boxes[qsizetype(i)] = MakeBox(i);
        form->addRow(Label(field), m_boxes[qsizetype(i)]);
    }
    endGroups();
    FillPage(page, parts);
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

template<typename Box, typename Grids>
void TConfigPages::InPageOrder(Box &&box, Grids &&grids)
{
    bool gridsDone = false;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (!gridsDone && Fields[i].page > ConfigPage::Pumps) {
            grids();
            gridsDone = true;
        }
        box(i);
    }
    if (!gridsDone)
        grids();
}

void TConfigPages::Clear()
{
    InPageOrder(
        [this](std::size_t i) {
            if (kBoxMembers[i].number.number)
                static_cast<TNumericEdit *>(m_boxes[qsizetype(i)])->SetValue(std::nullopt);
            else
                m_boxes[qsizetype(i)]->clear();
        },
        [this] {
            dsTank->Clear();
            dsPump->Clear();
            dsNozz->Clear();
            ShowNozzlesOfCurrentPump();
        });
}

void TConfigPages::Show(const TTerminalConfig &Config)
{
    InPageOrder(
        [&](std::size_t i) {
            const TBoxMember &member = kBoxMembers[i];
            if (member.number.number)
                static_cast<TNumericEdit *>(m_boxes[qsizetype(i)])->SetValue(member.number.get(Config));
            else
                m_boxes[qsizetype(i)]->setText(Cp1251::toUnicode(member.text.get(Config)));
        },
        [&] { ConfigDataSets::Fill(Config, *dsTank, *dsPump, *dsNozz); });
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
    InPageOrder(
        [&](std::size_t i) {
            const TBoxMember &member = kBoxMembers[i];
            if (member.number.number)
                member.number.set(Config, Integer(static_cast<TNumericEdit *>(m_boxes[qsizetype(i)]), Fields[i].whenEmpty));
            else
                member.text.set(Config, Cp1251::fromUnicode(m_boxes[qsizetype(i)]->text()));
        },
        [&] {
            ConfigDataSets::Store(*dsTank, *dsPump, *dsNozz, Config);
            if (Rows == TRows::MoveToFirst)
                MoveToFirstRows();
        });
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
