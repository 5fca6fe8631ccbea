// Opening and saving .tab files from the main window: the bytes written, the
// name rules, short files, the messages, and saves that must never lose the
// previous file.

#include <sys/resource.h>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <functional>
#include <optional>

#include "app/StartUp.h"
#include "app/ZelorConfigurator.h"
#include "compare/CompareTables.h"
#include "core/FileSave.h"
#include "log/PanelPage.h"
#include "support/PanelControls.h"
#include "support/ScriptedDialogs.h"
#include "table/GridPage.h"
#include "table/TableChart.h"
#include "table/TableGrid.h"
#include "table/TableModel.h"
#include "widgets/FileDialog.h"

using namespace zelor;

namespace {

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray bytes;
  for (int v : values) bytes.append(static_cast<char>(v));
  return bytes;
}

// Runs a menu command as the user does, under the default error handler.
void Trigger(TForm1& form, const char* name) {
  form.findChild<QAction*>(QString::fromLatin1(name))->trigger();
}

const QByteArray kDefaultSettings = Bytes({0x04, 0x05, 0x80, 0x40, 0x80, 0x80});

}  // namespace

class TestTableFiles : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_.emplace();
    QVERIFY(dir_->isValid());
    dialogs_ = std::make_unique<testing::ScriptedDialogs>();
    windows_ = StartUp({});
  }
  void cleanup() {
    windows_ = Windows();
    dialogs_.reset();
  }

  void saveStartUpAndIdentityTables() {
    TForm1& form = *windows_.form1;
    const QString path = dir_->filePath("zero.tab");
    dialogs_->Answer(path);
    Trigger(form, "N13");
    QCOMPARE(ReadAll(path), QByteArray(256, '\0') + kDefaultSettings);
    QCOMPARE(form.CurrentFiles().table, path);
    QCOMPARE(form.windowTitle(), "ZelorConfigurator " + path);
    QCOMPARE(dialogs_->asked.back().filter, QStringLiteral("Tab Files|*.tab|All|*.*"));
    QVERIFY(dialogs_->asked.back().kind == FileDialogKind::Save);

    Trigger(form, "N112");
    const QString identity = dir_->filePath("identity.tab");
    dialogs_->Answer(identity);
    Trigger(form, "N13");
    QByteArray expected;
    for (int i = 0; i < 256; ++i) expected.append(static_cast<char>(i));
    QCOMPARE(ReadAll(identity), expected + kDefaultSettings);
    QVERIFY(dialogs_->messages.isEmpty());
  }

  void extensionIsAddedCaseSensitively() {
    TForm1& form = *windows_.form1;
    dialogs_->Answer(dir_->filePath("table.TAB"));
    Trigger(form, "N13");
    QVERIFY(QFile::exists(dir_->filePath("table.TAB.tab")));
    QCOMPARE(form.findChild<FileDialog*>(QStringLiteral("FileSaveDLG"))->FileName(),
             dir_->filePath("table.TAB.tab"));
    dialogs_->Answer(dir_->filePath("table"));
    Trigger(form, "N13");
    QVERIFY(QFile::exists(dir_->filePath("table.tab")));
    QCOMPARE(form.CurrentFiles().table, dir_->filePath("table.tab"));
  }

  void cancelledSaveChangesNothing() {
    TForm1& form = *windows_.form1;
    dialogs_->Answer(std::nullopt);
    Trigger(form, "N13");
    QVERIFY(form.CurrentFiles().table.isEmpty());
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files).size(), 0);
  }

  void badCellNeverTouchesTheOldFile() {
    TForm1& form = *windows_.form1;
    const QString path = dir_->filePath("keep.tab");
    const QByteArray old = QByteArray(256, '\x11') + kDefaultSettings;
    WriteAll(path, old);
    const std::pair<QString, QString> bad[] = {
        {"12.5", "'12.5' is not a valid integer value"},
        {"abc", "'abc' is not a valid integer value"},
        {"-1", "Ячейка MAF=77 содержит '-1': значение вне диапазона 0..255. Таблица не записана."},
        {"300",
         "Ячейка MAF=77 содержит '300': значение вне диапазона 0..255. Таблица не записана."},
    };
    for (const auto& [text, message] : bad) {
      form.Table().SetCellText(77, text);
      dialogs_->Answer(path);
      Trigger(form, "N13");
      QCOMPARE(dialogs_->TakeMessages(), QStringList{message});
      QCOMPARE(ReadAll(path), old);
      QVERIFY(form.CurrentFiles().table.isEmpty());
      QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), QStringList{"keep.tab"});
    }
  }

  void failedSaveLeavesThePreviousFileByteForByte() {
    // A file-size limit makes the disk refuse the new image part way, as a
    // full disk would; it binds root too.
    TForm1& form = *windows_.form1;
    const QString path = dir_->filePath("old.tab");
    const QByteArray old = QByteArray(256, '\x22') + kDefaultSettings;
    WriteAll(path, old);
    Trigger(form, "N112");
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 100;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    dialogs_->Answer(path);
    Trigger(form, "N13");
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);
    QCOMPARE(dialogs_->TakeMessages(), QStringList{"Can't open file before saving"});
    QCOMPARE(ReadAll(path), old);
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), QStringList{"old.tab"});
    QVERIFY(form.CurrentFiles().table.isEmpty());
    // With room again the same save goes through.
    dialogs_->Answer(path);
    Trigger(form, "N13");
    QCOMPARE(ReadAll(path).left(3), Bytes({0, 1, 2}));
  }

  void saveIntoAMissingFolderFailsWithTheCreateMessage() {
    TForm1& form = *windows_.form1;
    dialogs_->Answer(dir_->filePath("no/such/folder/t.tab"));
    Trigger(form, "N13");
    QCOMPARE(dialogs_->TakeMessages(), QStringList{"Can't create file before saving"});
    QVERIFY(form.CurrentFiles().table.isEmpty());
  }

  void openFullShortEmptyAndCompareFiles() {
    TForm1& form = *windows_.form1;
    GridPage& grid = form.Grid();
    TableModel& table = form.Table();
    auto settings = [&] {
      QList<int> values;
      for (int k = 0; k < 6; ++k) values << grid.SettingEdit(k)->text().toInt();
      return values;
    };

    QByteArray table256;
    for (int i = 0; i < 256; ++i) table256.append(static_cast<char>(255 - i));
    const QString p256 = dir_->filePath("t256.tab");
    WriteAll(p256, table256);
    table.SetSetting(0, 50);
    dialogs_->Answer(p256);
    Trigger(form, "N12");
    for (int i = 0; i < 256; ++i) QCOMPARE(table.CellText(i), QString::number(255 - i));
    QCOMPARE(settings(), (QList<int>{4, 5, 0, 50, 100, 100}));
    QCOMPARE(form.CurrentFiles().table, p256);
    QCOMPARE(form.windowTitle(), "ZelorConfigurator " + p256);
    QCOMPARE(form.Chart().Series1()->data()->at(3)->value, 252.0);
    QCOMPARE(testing::PanelControls(form).Tab->data()->at(3)->value, 252.0);
    QCOMPARE(dialogs_->asked.back().filter, QStringLiteral("Tab files|*.tab|All|*.*"));

    // Files of other lengths open as before once the user says Yes.
    const QString p10 = dir_->filePath("t10.tab");
    WriteAll(p10, Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    dialogs_->Answer(p10);
    dialogs_->Reply(true);
    Trigger(form, "N12");
    for (int i = 0; i < 10; ++i) QCOMPARE(table.CellText(i), QString::number(i + 1));
    for (int i = 10; i < 256; ++i) QCOMPARE(table.CellText(i), QStringLiteral("10"));
    QCOMPARE(settings(), (QList<int>{4, 5, 0, 50, 100, 100}));

    const QString empty = dir_->filePath("empty.tab");
    WriteAll(empty, {});
    dialogs_->Answer(empty);
    dialogs_->Reply(true);
    Trigger(form, "N12");
    for (int i = 0; i < 256; ++i) QCOMPARE(table.CellText(i), QStringLiteral("0"));

    const QString compare = dir_->filePath("compare.tab");
    WriteAll(compare, QByteArray(256, '\x05') + Bytes({1}));
    dialogs_->Answer(compare);
    Trigger(form, "N12");
    QCOMPARE(settings(), (QList<int>{1, 5, 0, 50, 100, 100}));
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(dialogs_->questions.size(), 2);  // the 10-byte and the empty file
  }

  // A file of a length no table file has (a text file, say) opens in either
  // window only when the user says Yes; No leaves the table, the file's
  // name and the name the dialog offers next as they were.
  void fileOfAnotherLengthAsksFirst() {
    TForm1& form = *windows_.form1;
    TForm2& compare = *windows_.form2;
    const auto* dialog = form.findChild<FileDialog*>(QStringLiteral("FileOpenDLG"));
    QString last;  // the file opened last
    for (const qint64 length : {0, 255, 256, 257, 262, 263, 3512}) {
      const bool table = length == 256 || length == 257 || length == 262;
      const QString path = dir_->filePath(QStringLiteral("f%1.txt").arg(length));
      WriteAll(path, QByteArray(length, '\x2a'));
      for (const bool yes : {false, true}) {
        form.Table().SetCell(0, 1);
        SetGridCellText(compare.Grid(2), 0, QStringLiteral("1"));
        for (const auto& open : std::initializer_list<std::function<void()>>{
                 [&] { Trigger(form, "N12"); }, [&] { compare.N6Click(); }}) {
          dialogs_->Answer(path);
          dialogs_->Reply(yes);
          open();
        }
        if (table || yes) last = path;
        const QString cell = table || yes ? (length ? "42" : "0") : "1";
        QCOMPARE(form.Table().CellText(0), cell);
        QCOMPARE(GridCellText(compare.Grid(2), 0), cell);
        QCOMPARE(form.CurrentFiles().table, last);
        QCOMPARE(dialog->FileName(), last);
        const QString question =
            QStringLiteral("f%1.txt не похож на файл таблицы (%1 байт). Открыть?").arg(length);
        QCOMPARE(dialogs_->questions, (table ? QStringList() : QStringList{question, question}));
        dialogs_->questions.clear();
        dialogs_->replies.clear();
      }
    }
    form.Messages().SwitchToEnglish();
    QCOMPARE(form.Messages().FileQuestion(OwnMessage::kNotTableFile, "/d/a%2.txt", 7),
             QStringLiteral("a%2.txt does not look like a table file (7 bytes). Open it?"));
  }

  void enrichment144LoadsAs12AndSavesAs143() {
    TForm1& form = *windows_.form1;
    const QString path = dir_->filePath("e.tab");
    WriteAll(path, QByteArray(256, '\0') + Bytes({4, 5, 144, 64, 128, 128}));
    dialogs_->Answer(path);
    Trigger(form, "N12");
    QCOMPARE(form.Grid().SettingEdit(2)->text(), QStringLiteral("12"));
    const QString again = dir_->filePath("e2.tab");
    dialogs_->Answer(again);
    Trigger(form, "N13");
    QCOMPARE(ReadAll(again).at(258), static_cast<char>(143));
  }

  void settingsSurviveARoundTrip() {
    TForm1& form = *windows_.form1;
    GridPage& grid = form.Grid();
    TableModel& table = form.Table();
    const QList<QList<int>> cases = {{1, 1, 0, 1, 1, 1},
                                     {100, 100, 99, 99, 100, 100},
                                     {37, 64, 12, 33, 77, 58},
                                     {4, 5, 50, 50, 50, 25}};
    int n = 0;
    for (const QList<int>& values : cases) {
      for (int k = 0; k < 6; ++k) table.SetSetting(k, values[k]);
      const QString path = dir_->filePath(QStringLiteral("s%1.tab").arg(n++));
      dialogs_->Answer(path);
      Trigger(form, "N13");
      Trigger(form, "N14");  // back to the defaults
      dialogs_->Answer(path);
      Trigger(form, "N12");
      for (int k = 0; k < 6; ++k) QCOMPARE(grid.SettingEdit(k)->text().toInt(), values[k]);
    }
  }

  void openThatCannotReadChangesNothing() {
    TForm1& form = *windows_.form1;
    Trigger(form, "N112");
    const QString missing = dir_->filePath("missing.tab");
    dialogs_->Answer(missing);
    Trigger(form, "N12");
    const QStringList messages = dialogs_->TakeMessages();
    QCOMPARE(messages.size(), 1);
    // The system's reason, in the language of Qt's texts (Russian here).
    QFile probe(missing);
    QVERIFY(!probe.open(QIODevice::ReadOnly));
    QCOMPARE(messages[0], CannotOpenFileMessage(missing, probe.errorString()));
    QCOMPARE(form.Table().CellText(200), QStringLiteral("200"));
    QVERIFY(form.CurrentFiles().table.isEmpty());
    QCOMPARE(form.windowTitle(), QStringLiteral("ZelorConfigurator "));
  }

  void cancelledOpenRedrawsAndTakesTheRememberedName() {
    TForm1& form = *windows_.form1;
    const QString path = dir_->filePath("first.tab");
    WriteAll(path, QByteArray(262, '\x07'));
    dialogs_->Answer(path);
    Trigger(form, "N12");
    Trigger(form, "N112");
    dialogs_->Answer(std::nullopt);
    Trigger(form, "N12");
    QCOMPARE(form.Table().CellText(100), QStringLiteral("100"));  // table unchanged
    QCOMPARE(form.CurrentFiles().table, path);
    QCOMPARE(dialogs_->asked.back().currentName, path);
    QCOMPARE(form.windowTitle(), "ZelorConfigurator " + path);
  }

  void zeroCommandKeepsTheFileInTheCaption() {
    TForm1& form = *windows_.form1;
    const QString path = dir_->filePath("k.tab");
    WriteAll(path, QByteArray(262, '\x09'));
    dialogs_->Answer(path);
    Trigger(form, "N12");
    Trigger(form, "N14");
    QCOMPARE(form.Grid().SettingEdit(0)->text(), QStringLiteral("4"));
    QCOMPARE(form.windowTitle(), "ZelorConfigurator " + path);
  }

 private:
  std::optional<QTemporaryDir> dir_;
  std::unique_ptr<testing::ScriptedDialogs> dialogs_;
  Windows windows_;
};

QTEST_MAIN(TestTableFiles)
#include "test_table_files.moc"
