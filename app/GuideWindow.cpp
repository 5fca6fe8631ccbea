#include "app/GuideWindow.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QUrl>
#include <utility>
#include <vector>

#include "core/MessageTexts.h"
#include "ui/UserDialogs.h"

namespace zelor {
namespace {

// The widest a picture is shown, so that the guide reads without scrolling
// sideways in its window.
constexpr int kPictureWidth = 860;

// A heading's anchor as the contents' links name it: lower case, letters,
// digits, "-" and "_" kept, each blank a "-", the rest dropped.
QString Slug(const QString& heading) {
  QString slug;
  for (const QChar c : heading.toLower()) {
    if (c.isLetterOrNumber() || c == u'-' || c == u'_') slug += c;
    if (c == u' ') slug += u'-';
  }
  return slug;
}

// Qt's Markdown gives headings no anchors and pictures their own width:
// each heading is made the anchor of its slug, each wide picture narrowed.
void PrepareGuide(QTextBrowser& browser) {
  QTextDocument& document = *browser.document();
  std::vector<std::pair<QTextBlock, QString>> headings;
  std::vector<QTextFragment> pictures;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    if (block.blockFormat().headingLevel() > 0) headings.emplace_back(block, Slug(block.text()));
    for (auto part = block.begin(); !part.atEnd(); ++part)
      if (part.fragment().charFormat().isImageFormat()) pictures.push_back(part.fragment());
  }
  QTextCursor cursor(&document);
  // Backwards, so that no change moves a fragment still to come.
  for (auto picture = pictures.rbegin(); picture != pictures.rend(); ++picture) {
    QTextImageFormat format = picture->charFormat().toImageFormat();
    const QImage image = QImage::fromData(
        browser.loadResource(QTextDocument::ImageResource, QUrl(format.name())).toByteArray());
    if (image.width() <= kPictureWidth) continue;
    format.setWidth(kPictureWidth);
    format.setHeight(double(image.height()) * kPictureWidth / image.width());
    cursor.setPosition(picture->position());
    cursor.setPosition(picture->position() + picture->length(), QTextCursor::KeepAnchor);
    cursor.setCharFormat(format);
  }
  for (const auto& [block, slug] : headings) {
    cursor.setPosition(block.position());
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    QTextCharFormat anchor;
    anchor.setAnchor(true);
    anchor.setAnchorNames({slug});
    cursor.mergeCharFormat(anchor);
  }
}

// A picture of the guide at its own size, in a window of its own that a
// click or Escape closes (scrolled where the screen is smaller).
class PictureWindow final : public QScrollArea {
 public:
  explicit PictureWindow(QWidget* parent) : QScrollArea(parent), picture_(new QLabel) {
    setObjectName(QStringLiteral("GuidePicture"));
    setWindowFlag(Qt::Window);
    setWidget(picture_);
    setAlignment(Qt::AlignCenter);
  }

  void Show(const QImage& image, const QString& title) {
    picture_->setPixmap(QPixmap::fromImage(image));
    picture_->resize(image.size());
    setWindowTitle(title);
    QSize size = image.size() + QSize(2 * frameWidth(), 2 * frameWidth());
    if (const QScreen* screen = this->screen()) size = size.boundedTo(screen->availableSize());
    resize(size);
    show();
    raise();
    activateWindow();
  }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) close();
  }
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Escape) {
      close();
      return;
    }
    QScrollArea::keyPressEvent(event);
  }

 private:
  QLabel* picture_;
};

// The guide's window: each document it loads is prepared as above. A link
// within the guide (the contents') scrolls to its heading; it is not loaded
// as a source, since QTextBrowser would read the edited document again and
// lose the anchors. A link out of the guide goes nowhere. A click on a
// picture shows it at its own size.
class GuideBrowser final : public QTextBrowser {
 public:
  explicit GuideBrowser(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    // The link comes resolved against the guide's file.
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
      if (link.hasFragment() &&
          link.adjusted(QUrl::RemoveFragment) == source().adjusted(QUrl::RemoveFragment))
        scrollToAnchor(link.fragment(QUrl::FullyDecoded));
    });
  }

 protected:
  void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override {
    QTextBrowser::doSetSource(name, type);
    PrepareGuide(*this);
  }

  void mouseMoveEvent(QMouseEvent* event) override {
    QTextBrowser::mouseMoveEvent(event);
    if (!PictureAt(event->position()).isEmpty()) viewport()->setCursor(Qt::PointingHandCursor);
  }

  void mouseReleaseEvent(QMouseEvent* event) override {
    QTextBrowser::mouseReleaseEvent(event);
    // A click, not the end of a selection dragged over a picture.
    if (event->button() != Qt::LeftButton || textCursor().hasSelection()) return;
    const QString name = PictureAt(event->position());
    if (name.isEmpty()) return;
    const QImage image =
        QImage::fromData(loadResource(QTextDocument::ImageResource, QUrl(name)).toByteArray());
    if (image.isNull()) return;
    if (!picture_) picture_ = new PictureWindow(this);
    picture_->Show(image, windowTitle() + QStringLiteral(": ") + QFileInfo(name).fileName());
  }

 private:
  // The name of the picture under a point of the viewport; empty off them.
  QString PictureAt(QPointF point) const {
    point += QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
    return document()->documentLayout()->imageAt(point);
  }

  PictureWindow* picture_ = nullptr;
};

}  // namespace

QStringList GuideFolders() {
  const QString program = QCoreApplication::applicationDirPath();
  QStringList folders;
#ifdef Q_OS_WIN
  folders << program + QStringLiteral("/docs");
#else
  folders << program + QStringLiteral("/../share/zelor-configurator/docs");
#endif
#ifdef ZELOR_SOURCE_DOCS
  folders << QStringLiteral(ZELOR_SOURCE_DOCS);
#endif
  return folders;
}

QString FindGuide(const QStringList& folders, bool english) {
  const QString name = english ? QStringLiteral("/en/guide.md") : QStringLiteral("/ru/guide.md");
  for (const QString& folder : folders) {
    const QFileInfo guide(folder + name);
    if (guide.isFile()) return QDir::cleanPath(guide.absoluteFilePath());
  }
  return {};
}

QTextBrowser* OpenGuide(QWidget* parent, const MessageTexts& messages, const QStringList& folders) {
  const QString guide = FindGuide(folders, messages.English());
  if (guide.isEmpty()) {
    QStringList looked;
    for (const QString& folder : folders)
      looked << QDir::toNativeSeparators(QDir::cleanPath(folder));
    Dialogs().ShowMessage(parent, messages.Own(OwnMessage::kGuideMissing).arg(looked.join(u'\n')));
    return nullptr;
  }
  auto* window = parent->findChild<QTextBrowser*>(QStringLiteral("GuideWindow"));
  if (!window) {
    window = new GuideBrowser(parent);
    window->setObjectName(QStringLiteral("GuideWindow"));
    window->setWindowFlag(Qt::Window);
    window->resize(900, 700);
  }
  window->setWindowTitle(messages.Own(OwnMessage::kGuideCaption));
  // Read as Markdown; the pictures' relative paths resolve against it. A
  // guide shown already stays where the reader left it.
  const QUrl source = QUrl::fromLocalFile(guide);
  if (window->source() != source) window->setSource(source, QTextDocument::MarkdownResource);
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

}  // namespace zelor
