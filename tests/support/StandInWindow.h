// The main window on the controller stand-in at COM1, as the window tests
// start it: no settings file, the error boxes the window would show
// collected in Errors() instead, then the window shown and active and,
// unless told otherwise, the stand-in's station read through the toolbar.
#pragma once

#include "SettingsFile.h"
#include "SimFixture.h"
#include "UserInput.h"
#include "WindowDriver.h"
#include "app/ErrorBox.h"
#include "app/UfmMain.h"
#include "config/ConfigDataSet.h"
#include "config/TerminalConfig.h"

#include <QLineEdit>
#include <QStackedWidget>
#include <QStringList>
#include <QTest>

#include <memory>

class StandInWindow
{
public:
    StandInWindow()
    {
        ErrorBox::SetReporter([this](const QString &text) { m_errors << text; });
    }
    ~StandInWindow()
    {
        // The window lets go of the port before the stand-in goes.
        m_window.reset();
        m_fixture.reset();
        m_settings.reset();
        ErrorBox::SetReporter(nullptr);
    }
    StandInWindow(const StandInWindow &) = delete;
    StandInWindow &operator=(const StandInWindow &) = delete;

    // Creates the window, shows and activates it and reads the station
    // unless read is false; a test failure when any of it does not happen.
    TfmMain &Start(bool read = true)
    {
        m_window = std::make_unique<TfmMain>();
        if (!UserInput::Activate(m_window.get()))
            QTest::qFail("the window did not become active", __FILE__, __LINE__);
        else if (read)
            Read();
        return *m_window;
    }

    TfmMain &Window() { return *m_window; }
    SimFixture &Fixture() { return *m_fixture; }
    sim::ControllerSim &Sim() { return m_fixture->Sim(); }
    QByteArray SimFile(const char *name) const { return QByteArray::fromStdString(m_fixture->Sim().file(name)); }
    // The texts of the error boxes, in order.
    QStringList &Errors() { return m_errors; }

    // What the pages show: every box by name, every cell of dsTank, dsPump
    // and dsNozz.
    struct Pages
    {
        QStringList boxes;
        QList<qint32> cells;

        friend bool operator==(const Pages &, const Pages &) = default;
    };
    Pages ShownPages() const
    {
        Pages pages;
        for (const QLineEdit *box : m_window->findChild<QStackedWidget *>("pcConfig")->findChildren<QLineEdit *>()) {
            if (!box->objectName().isEmpty()) // not a cell's editor
                pages.boxes << box->objectName() + u'=' + box->text();
        }
        for (const char *name : {"dsTank", "dsPump", "dsNozz"}) {
            const auto *dataSet = m_window->findChild<TConfigDataSet *>(QString::fromLatin1(name));
            for (int row = 0; row < dataSet->rowCount(); ++row) {
                for (int column = 0; column < dataSet->columnCount(); ++column)
                    pages.cells << dataSet->Value(row, column);
            }
        }
        return pages;
    }

    // The station read through the toolbar, without an error box.
    void Read()
    {
        ClickAction(*m_window, "acIcRead");
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(m_window->findChild<TConfigDataSet *>("dsTank")->rowCount(), TTerminalConfig::TankCount);
    }

private:
    QStringList m_errors;
    std::unique_ptr<SettingsFile> m_settings = std::make_unique<SettingsFile>();
    std::unique_ptr<SimFixture> m_fixture = std::make_unique<SimFixture>(1);
    std::unique_ptr<TfmMain> m_window;
};
