// Where the file dialogs start before a file is chosen: the rule over the
// working folder, the program's folder and whether the working folder can be
// written; and the rule as the running test program meets it.

#include <QtTest>

#include "core/DialogFolder.h"

using namespace zelor;

class TestDialogFolder : public QObject {
  Q_OBJECT

 private slots:
  void rule_data() {
    QTest::addColumn<QString>("working");
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("documents");  // else the working folder
    const QString program = QStringLiteral("C:/Program Files/ZelorConfigurator");
    QTest::newRow("the program's folder, even where it can be written")
        << program << program << true << true;
    QTest::newRow("the language folder inside it")
        << program + QStringLiteral("/english") << program << true << true;
    QTest::newRow("a folder beside it named alike")
        << program + QStringLiteral("-tables") << program << true << false;
    QTest::newRow("the folder holding the program's")
        << QStringLiteral("C:/Program Files") << program << true << false;
    QTest::newRow("a folder that cannot be written")
        << QStringLiteral("/usr/share/zelor-configurator/english") << QStringLiteral("/usr/bin")
        << false << true;
    QTest::newRow("a folder of the user's")
        << QStringLiteral("/home/tuner/tables") << QStringLiteral("/usr/bin") << true << false;
    QTest::newRow("no working folder") << QString() << QStringLiteral("/usr/bin") << true << true;
    QTest::newRow("a program at a drive's root")
        << QStringLiteral("C:/tables") << QStringLiteral("C:/") << true << true;
  }
  void rule() {
    QFETCH(QString, working);
    QFETCH(QString, program);
    QFETCH(bool, writable);
    QFETCH(bool, documents);
    const QString home = QStringLiteral("/home/tuner/Documents");
    QCOMPARE(DialogStartFolder(working, program, writable, home), documents ? home : working);
  }

  // The test program runs in its own folder, as the Start menu starts the
  // installed program: its dialogs start elsewhere, and where it runs from a
  // folder of the user's, there.
  void runningProgram() {
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(QCoreApplication::applicationDirPath()));
    const QString fromOwnFolder = DialogStartFolder();
    QTemporaryDir user;
    QVERIFY(QDir::setCurrent(user.path()));
    const QString fromUserFolder = DialogStartFolder();
    QVERIFY(QDir::setCurrent(before));
    QVERIFY(!fromOwnFolder.isEmpty());
    QVERIFY2(fromOwnFolder != QFileInfo(QCoreApplication::applicationDirPath()).canonicalFilePath(),
             qPrintable(fromOwnFolder));
    QCOMPARE(fromUserFolder, QFileInfo(user.path()).canonicalFilePath());
    QCOMPARE(QDir(user.path()).entryList(QDir::Files), QStringList());  // the probe is gone
  }
};

QTEST_GUILESS_MAIN(TestDialogFolder)
#include "test_dialog_folder.moc"
