// Answers for the file dialogs a test opens, and a folder where a file
// cannot be written.
#pragma once

#include "ModalDriver.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Answers the next file dialog with path, as its name box and button would.
inline std::unique_ptr<ModalDriver<QFileDialog>> AnswerFileDialog(const QString &path)
{
    return std::make_unique<ModalDriver<QFileDialog>>([path](QFileDialog *dialog) {
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(path);
        static_cast<QDialog *>(dialog)->accept(); // as its button does
    });
}

// A fresh folder holding the regular file "plain": nothing can be written
// at "plain/<name>".
class FolderWithFile
{
public:
    FolderWithFile()
    {
        QFile plain(m_dir.filePath("plain"));
        if (!plain.open(QIODevice::WriteOnly))
            QTest::qFail("cannot make the file \"plain\"", __FILE__, __LINE__);
    }
    // file in the folder; an absolute file stands as it is.
    QString Path(const QString &file) const { return QDir(m_dir.path()).filePath(file); }

private:
    QTemporaryDir m_dir;
};
