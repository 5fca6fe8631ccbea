// The language switch at start-up: "language.txt" in the current directory
// applied to the three windows, the messages and Qt's dialogs.

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeView>
#include <QtTest>
#include <algorithm>

#include "app/MainCaptions.h"
#include "app/StartUp.h"
#include "app/Unit3.h"
#include "app/ZelorConfigurator.h"
#include "compare/CompareMenu.h"
#include "compare/CompareTables.h"
#include "support/ScriptedDialogs.h"
#include "table/GridPage.h"
#include "ui/UserDialogs.h"

using namespace zelor;

namespace {

const QString kFirstAddress = QStringLiteral("www.zelor.example");
const QString kSecondAddress = QStringLiteral("www.zelor.example/en");

// Every text the language file can change, in the file's order (84 caption
// lines), then the comparison window's copies and caption, the web address
// and the messages 7 to 18.
QStringList Texts(const Windows& windows) {
  QStringList texts;
  for (int line = 1; line <= kMainCaptionLineCount; ++line)
    texts.append(CaptionOfLine(*windows.form1, line));
  texts.append(windows.form3->windowTitle());
  for (const char* name : TForm2::kCaptionTargets)
    texts.append(windows.form2->Caption(QString::fromLatin1(name)));
  for (const CaptionCopy& copy : kCaptionCopies)
    texts.append(windows.form2->Caption(QString::fromLatin1(copy.to)));
  texts.append(windows.form2->windowTitle());
  texts.append(windows.form1->findChild<QLabel*>(QStringLiteral("Label7"))->text());
  for (int n = kNoPortChosen; n <= kStreamAbsent; ++n)
    texts.append(windows.form1->Messages().Text(n));
  return texts;
}
constexpr int kCaptionTexts = 84;
constexpr int kCopyTexts = 8;
constexpr int kComparisonCaption = kCaptionTexts + kCopyTexts;
constexpr int kAddress = kComparisonCaption + 1;
constexpr int kFirstMessage = kAddress + 1;

// What the standard dialogs' Cancel button says.
QString CancelButton() { return QCoreApplication::translate("QPlatformTheme", "Cancel"); }

QByteArray ShippedFile() {
  QFile file(QStringLiteral(ZELOR_SOURCE_DIR "/lang/english/language.txt"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

}  // namespace

class TestLanguage : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    dialogs_ = std::make_unique<testing::ScriptedDialogs>();
    Start(std::nullopt);
    russian_ = Texts(windows_);
    russianCancel_ = CancelButton();
    windows_ = Windows();
    dialogs_.reset();
    QCOMPARE(russian_[kAddress], kFirstAddress);
    QCOMPARE(russian_[kFirstMessage], QString::fromUtf8("Вы не выбрали COM порт!"));
    QCOMPARE(russianCancel_, QString::fromUtf8("Отмена"));
  }
  void init() { dialogs_ = std::make_unique<testing::ScriptedDialogs>(); }
  void cleanup() {
    windows_ = Windows();
    dialogs_.reset();
  }

  // Files that hold no caption line: an empty one changes nothing; any line
  // at all switches the address, the comparison caption, the messages and
  // the dialogs.
  void fileWithoutCaptionLines_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("switched");
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("only comment lines") << QByteArray("; one\r\n;two\r\n") << true;
    QTest::newRow("only empty lines") << QByteArray("\r\n\n") << true;
  }
  void fileWithoutCaptionLines() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, switched);
    Start(bytes);
    const QStringList texts = Texts(windows_);
    if (!switched) {
      QCOMPARE(texts, russian_);
      QCOMPARE(CancelButton(), russianCancel_);
      return;
    }
    QCOMPARE(texts.mid(0, kCaptionTexts), russian_.mid(0, kCaptionTexts));
    CheckCopies();
    QCOMPARE(texts[kComparisonCaption], QString::fromUtf8("Zelor Утилита сравнения таблиц"));
    QCOMPARE(texts[kAddress], kSecondAddress);
    CheckEnglishMessages();
    // The guide of the English interface.
    windows_.form1->GuideClick();
    const auto* guide = windows_.form1->findChild<QTextBrowser*>(QStringLiteral("GuideWindow"));
    QVERIFY(guide && guide->isVisible());
    QVERIFY2(guide->source().toLocalFile().endsWith(QStringLiteral("/docs/en/guide.md")),
             qPrintable(guide->source().toString()));
    QCOMPARE(guide->windowTitle(), QStringLiteral("Guide"));
    QVERIFY(dialogs_->messages.isEmpty());
  }

  void sevenCaptionLines() {
    Start("c1\r\n;x\r\nc2\r\nc3\r\nc4\r\nc5\r\nc6\r\nc7\r\n");
    const QStringList texts = Texts(windows_);
    for (int line = 1; line <= 7; ++line)
      QCOMPARE(texts[line - 1], QStringLiteral("c%1").arg(line));
    QCOMPARE(windows_.form1->Messages().Text(kOutputValueCaption), QStringLiteral("c7"));
    QCOMPARE(texts.mid(7, kCaptionTexts - 7), russian_.mid(7, kCaptionTexts - 7));
    CheckCopies();
    CheckEnglishMessages();
  }

  // The first caption lines as they reach Label1 and the table chart's tab.
  void firstCaptionLines_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("label1");
    QTest::addColumn<QString>("tab");
    QTest::newRow("first line a comment, trailing blanks kept")
        << QByteArray("; English\r\nPort  \r\n\r\nChart \r\n") << "Port  "
        << "Chart ";
    QTest::newRow("Windows-1251, lone CR")
        << QByteArray("\xCF\xEE\xF0\xF2 \xB9\x31\r\xC3\xF0\xE0\xF4\xE8\xEA\r")
        << QString::fromUtf8("Порт №1") << QString::fromUtf8("График");
  }
  void firstCaptionLines() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, label1);
    QFETCH(QString, tab);
    Start(bytes);
    QCOMPARE(windows_.form1->findChild<QLabel*>(QStringLiteral("Label1"))->text(), label1);
    QCOMPARE(CaptionOfLine(*windows_.form1, 2), tab);
    QCOMPARE(CaptionOfLine(*windows_.form1, 3), russian_[2]);
  }

  // Qt's own file dialog opens large enough, its columns as wide as what
  // they show, and in English every column reads English (the file types
  // named by the MIME database would come in the program's Russian locale).
  void realFileDialogInBothLanguages() {
    QTemporaryDir folder;
    QFile log(folder.filePath(QStringLiteral("drive.log")));
    QVERIFY(log.open(QIODevice::WriteOnly) && log.write("12345678") == 8);
    log.close();
    for (const bool english : {false, true}) {
      Start(english ? std::optional<QByteArray>(ShippedFile()) : std::nullopt);
      dialogs_.reset();  // the real dialogs
      QSize size;
      bool fits = false;
      QStringList texts;  // the headers, then the file's row
      QTimer::singleShot(0, windows_.form1.get(), [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        size = dialog->size();
        auto* model = dialog->findChild<QFileSystemModel*>();
        // The view's own measure of its columns (public from this base).
        QAbstractItemView* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        const QModelIndex row = model ? model->index(log.fileName()) : QModelIndex();
        const auto fitted = [&] {
          if (!view || !row.isValid() || row.siblingAtColumn(2).data().toString().isEmpty())
            return false;
          for (int column = 0; column < 4; ++column) {
            const int width = static_cast<QTreeView*>(view)->header()->sectionSize(column);
            if (width < view->sizeHintForColumn(column)) return false;
          }
          return true;
        };
        fits = QTest::qWaitFor(fitted, 10000);
        for (int column = 0; column < 4 && row.isValid(); ++column) {
          texts << model->headerData(column, Qt::Horizontal).toString();
          texts << row.siblingAtColumn(column).data().toString();
        }
        dialog->reject();
      });
      QVERIFY(!Dialogs().AskFileName(windows_.form1.get(), FileDialogKind::Open,
                                     QStringLiteral("Log files|*.log|All|*.*"), log.fileName()));
      QVERIFY2(size.width() >= kFileDialogWidth && size.height() >= kFileDialogHeight,
               qPrintable(QString("%1 x %2").arg(size.width()).arg(size.height())));
      QVERIFY(fits);
      QCOMPARE(texts.size(), 8);
      const QString all = texts.join(u'|');
      const bool cyrillic = std::any_of(
          all.begin(), all.end(), [](QChar c) { return c.script() == QChar::Script_Cyrillic; });
      QVERIFY2(cyrillic != english, qPrintable(all));
      if (english) QCOMPARE(texts[5], QStringLiteral("LOG File"));
    }
  }

  void shippedEnglishFile() {
    const QByteArray bytes = ShippedFile();
    QVERIFY(bytes.endsWith("\r\n"));
    QVERIFY2(!bytes.startsWith("\xEF\xBB\xBF"), "no byte-order mark");
    // Its caption lines, read without the program's parser: CR LF ends only.
    QStringList lines = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
    lines.removeLast();
    for (const QString& line : lines) QVERIFY(!line.contains(u'\r') && !line.contains(u'\n'));
    lines.removeIf([](const QString& line) { return line.isEmpty() || line.startsWith(u';'); });
    QCOMPARE(lines.size(), kCaptionTexts);

    Start(bytes);
    const QStringList texts = Texts(windows_);
    for (int i = 0; i < kCaptionTexts; ++i) {
      QCOMPARE(texts[i], lines[i]);
      QVERIFY2(texts[i] != russian_[i], qPrintable(lines[i]));
    }
    CheckCopies();
    for (int k = 0; k < kCopyTexts; ++k)
      QVERIFY(texts[kCaptionTexts + k] != russian_[kCaptionTexts + k]);
    // "Zelor " and the comparison command's new caption; once shown, its
    // caption rule repeats that caption.
    const QString command = lines[kMainCaptionLineCount - 1];
    QCOMPARE(texts[kComparisonCaption], QStringLiteral("Zelor ") + command);
    windows_.form1->N22Click();
    QCOMPARE(windows_.form2->windowTitle(), QStringLiteral("Zelor ") + command + u' ');
    QCOMPARE(texts[kAddress], kSecondAddress);
    QCOMPARE(windows_.form1->Grid().VersionLabel()->text(), QStringLiteral("FirmWare:  V"));
    // The locked-cells warning, a box around its text, fits the new text.
    const auto* warning = windows_.form1->findChild<QLabel*>(QStringLiteral("Label10"));
    QCOMPARE(warning->width(), warning->sizeHint().width());
    CheckEnglishMessages();
    QVERIFY(dialogs_->messages.isEmpty());
  }

  // A language file that cannot be read is reported by the default error
  // handler over the main window; everything stays Russian.
  void unreadableFile() {
    Start(std::nullopt, /*asFolder=*/true);
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY2(dialogs_->messages[0].startsWith(QStringLiteral("Cannot open file \"")),
             qPrintable(dialogs_->messages[0]));
    QVERIFY2(dialogs_->messages[0].contains(QStringLiteral("language.txt")),
             qPrintable(dialogs_->messages[0]));
    QCOMPARE(dialogs_->owners[0], static_cast<QWidget*>(windows_.form1.get()));
    QCOMPARE(Texts(windows_), russian_);
    QCOMPARE(OwnCaptions(),
             (QStringList{"Отменить", "Вернуть", "Несохранённые записи", "Руководство"}));
    QVERIFY(!windows_.form1->Messages().English());
    QCOMPARE(CancelButton(), russianCancel_);
  }

 private:
  // Starts the program in a fresh directory that holds "language.txt" with
  // bytes (none when nullopt; a folder of that name when asFolder).
  void Start(const std::optional<QByteArray>& bytes, bool asFolder = false) {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("language.txt"));
    if (bytes) {
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      QCOMPARE(file.write(*bytes), bytes->size());
    }
    if (asFolder) QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("language.txt")));
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    windows_ = StartUp({});
    QVERIFY(QDir::setCurrent(previous));
  }

  // The comparison window's Table 2 menu repeats the captions of Table 1's,
  // whether or not the file reached them.
  void CheckCopies() {
    for (const CaptionCopy& copy : kCaptionCopies)
      QCOMPARE(windows_.form2->Caption(QString::fromLatin1(copy.to)),
               windows_.form2->Caption(QString::fromLatin1(copy.from)));
  }

  // The captions of the program's own menu items.
  QStringList OwnCaptions() {
    QStringList captions;
    for (const char* name : {"UndoTable", "RedoTable", "UnsavedRecordings", "Guide"})
      captions << windows_.form1->findChild<QAction*>(QString::fromLatin1(name))->text();
    return captions;
  }

  // Messages 7 to 18, the program's own messages and Qt's dialogs in English.
  void CheckEnglishMessages() {
    const MessageTexts& messages = windows_.form1->Messages();
    for (int n = kNoPortChosen; n <= kStreamAbsent; ++n)
      QCOMPARE(messages.Text(n), MessageTexts::EnglishText(n));
    QCOMPARE(messages.Text(kStreamAbsent),
             QStringLiteral("THREAD ERROR! Datastrean is absent!.\r\nPlease check converter's "
                            "supply voltage \r\n and COM port connection/cable."));
    QVERIFY(messages.English());
    QVERIFY(messages.Own(OwnMessage::kStreamRunning).startsWith(QStringLiteral("The converter's")));
    // The program's own menu items, beside the file's captions.
    QCOMPARE(OwnCaptions(), (QStringList{"Undo", "Redo", "Unsaved recordings", "Guide"}));
    QCOMPARE(CancelButton(), QStringLiteral("Cancel"));
  }

  std::unique_ptr<testing::ScriptedDialogs> dialogs_;
  Windows windows_;
  QStringList russian_;
  QString russianCancel_;
};

QTEST_MAIN(TestLanguage)
#include "test_language.moc"
