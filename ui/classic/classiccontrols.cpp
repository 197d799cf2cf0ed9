// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/classic/classiccontrols.h"

#include "ui/classic/classiclabel.h"
#include "ui/classic/classiclistbox.h"
#include "ui/classic/classictextbox.h"
#include "ui/classic/devicepixelstyle.h"
#include "ui/classic/fonts.h"

#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QPushButton>
#include <QtMath>

namespace {

template <typename Control>
Control *AddControl(QWidget *window, const QString &name, const QRect &geometry)
{
    auto *control = new Control(window);
    control->setObjectName(name);
    control->setGeometry(geometry);
    return control;
}

// A control with frames drawn by the style, kept sharp on every screen.
template <typename Control>
Control *AddFramedControl(QWidget *window, const QString &name, const QRect &geometry)
{
    auto *control = AddControl<Control>(window, name, geometry);
    control->setStyle(DevicePixelStyle::instance());
    return control;
}

// One of the program's images, read as the format its name says.
QImage ProgramImage(const QString &path)
{
    QImageReader reader(path, QFileInfo(path).suffix().toLatin1());
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

// "logo@2x.gif" for "logo.gif": the same drawing at twice the size.
QString TwiceTheSize(const QString &path)
{
    const QFileInfo file(path);
    return file.path() + QLatin1Char('/') + file.completeBaseName() + QStringLiteral("@2x.") +
           file.suffix();
}

// A picture box's picture for one device pixel ratio: the part of the image
// that the box shows, at the screen's own resolution. Only that part goes to
// the painter: an image scaled for a screen of 150 % would otherwise spill
// the row below the box's bottom edge into the box's last device pixel row,
// which lies half inside the box.
QPixmap PictureForRatio(const QString &path, const QSize &box, qreal ratio)
{
    const bool sharp = ratio > 1;
    const qreal drawn = sharp ? 2 : 1;
    QImage image = ProgramImage(sharp ? TwiceTheSize(path) : path);
    image = image.copy(QRect(QPoint(0, 0), box * drawn).intersected(image.rect()));
    if (!qFuzzyCompare(drawn, ratio)) {
        const QSize pixels(qCeil(image.width() / drawn * ratio),
                           qCeil(image.height() / drawn * ratio));
        image = image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

// Gives a picture box the picture for the ratio of the screen it is on,
// before it paints, also after it has moved to another screen.
class PictureForScreen : public QObject
{
public:
    PictureForScreen(QLabel *box, const QString &imagePath) : QObject(box), m_path(imagePath)
    {
        box->installEventFilter(this);
        update(box);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            update(static_cast<QLabel *>(watched));
        return false;
    }

private:
    void update(QLabel *box) const
    {
        const qreal ratio = box->devicePixelRatioF();
        if (box->pixmap().isNull() || !qFuzzyCompare(box->pixmap().devicePixelRatio(), ratio))
            box->setPixmap(PictureForRatio(m_path, box->size(), ratio));
    }

    QString m_path;
};

// One of the program's own PNG images, decoded once. The format is named,
// not guessed: guessing asks every installed image plugin first, which loads
// each of them (and the JPEG library with one) at start-up.
QPixmap ProgramPng(const QString &path)
{
    const QString key = QStringLiteral("korvax:") + path;
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    pixmap = QPixmap::fromImage(reader.read());
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

// The program's icon, with its 64 px drawing for screens at twice the pixels.
QIcon ProgramIcon()
{
    QIcon icon(ProgramPng(QStringLiteral(":/images/icon.png")));
    icon.addPixmap(ProgramPng(QStringLiteral(":/images/icon-64.png")));
    return icon;
}

// Paints a window's back colour beneath its controls. The colour is painted
// rather than put in the window's palette: a window with a palette of its
// own gives each control in it a palette of its own too, and the style keeps
// its drawings of buttons and boxes per palette, so every opening of a window
// would draw them anew and leave copies in the pixmap cache that are never
// asked for again (about 12 kB for each opening of the name editor).
class BackColour : public QObject
{
public:
    BackColour(QWidget *window, const QColor &colour) : QObject(window), m_colour(colour)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            QPainter painter(static_cast<QWidget *>(watched));
            painter.fillRect(static_cast<QPaintEvent *>(event)->rect(), m_colour);
        }
        return false;
    }

private:
    QColor m_colour;
};

} // namespace

ClassicLabel *AddLabel(QWidget *window, const QString &name, const QRect &geometry,
                       const QString &caption, const QFont &font)
{
    auto *label = AddControl<ClassicLabel>(window, name, geometry);
    label->setFont(font);
    label->setCaption(caption);
    return label;
}

ClassicTextBox *AddTextBox(QWidget *window, const QString &name, const QRect &geometry,
                           const QFont &font)
{
    auto *box = AddFramedControl<ClassicTextBox>(window, name, geometry);
    box->setFont(font);
    return box;
}

QPushButton *AddButton(QWidget *window, const QString &name, const QRect &geometry,
                       const QString &caption, const QFont &font)
{
    auto *button = AddFramedControl<QPushButton>(window, name, geometry);
    button->setFont(font);
    button->setText(caption);
    // Buttons in a QDialog are auto-default unless told otherwise.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

ClassicListBox *AddListBox(QWidget *window, const QString &name, const QRect &geometry,
                           const QFont &font)
{
    auto *list = AddFramedControl<ClassicListBox>(window, name, geometry);
    list->setFont(font);
    list->setSortingEnabled(false);
    return list;
}

QLabel *AddPictureBox(QWidget *window, const QString &name, const QRect &geometry,
                      const QString &imagePath)
{
    auto *picture = AddControl<QLabel>(window, name, geometry);
    picture->setFrameShape(QFrame::NoFrame);
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picture->setScaledContents(false);
    new PictureForScreen(picture, imagePath);
    picture->setFocusPolicy(Qt::StrongFocus);
    return picture;
}

QString ArrayMemberName(const char *arrayName, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(arrayName)).arg(index);
}

QCursor ArrowPointer()
{
    // Above 100 % on any screen, the arrow drawn at twice the size. Its hot
    // spot, the tip, is the top-left pixel in both, in logical pixels and
    // in the image's alike.
    if (qApp->devicePixelRatio() > 1) {
        QPixmap sharp = ProgramPng(QStringLiteral(":/images/pointer@2x.png"));
        sharp.setDevicePixelRatio(2);
        return QCursor(sharp, 0, 0);
    }
    return QCursor(ProgramPng(QStringLiteral(":/images/pointer.png")), 0, 0);
}

void SetTabOrder(QWidget *window, std::initializer_list<QWidget *> order)
{
    // QWidget::setTabOrder leaves a pair alone when the second control
    // already follows the first round the ring, counting only controls that
    // take the focus. A window that takes none is skipped in that count, so
    // the ring could come out turned, with the window (where the opening
    // focus search starts) in the middle. While the window counts as a stop,
    // every control is moved behind the first one.
    const Qt::FocusPolicy policy = window->focusPolicy();
    window->setFocusPolicy(Qt::TabFocus);
    QWidget *previous = nullptr;
    for (QWidget *control : order) {
        if (previous)
            QWidget::setTabOrder(previous, control);
        previous = control;
    }
    window->setFocusPolicy(policy);
}

void SetupClassicWindow(QWidget *window, const QString &caption, const QPoint &screenPosition,
                        const QSize &clientSize, TitleButtons buttons)
{
    // Keep a dialog a dialog; a plain widget becomes a top-level window.
    Qt::WindowFlags type = window->windowType();
    if (type != Qt::Dialog)
        type = Qt::Window;
    Qt::WindowFlags flags = type | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                            Qt::MSWindowsFixedSizeDialogHint;
    if (buttons == TitleButtons::MinimiseAndClose)
        flags |= Qt::WindowMinimizeButtonHint;
    window->setWindowFlags(flags);

    window->setWindowTitle(caption);
    window->setWindowIcon(ProgramIcon());
    window->setFont(DefaultWindowFont());
    window->setFixedSize(clientSize);
    // setGeometry places the client area, not the frame.
    window->setGeometry(QRect(screenPosition, clientSize));

    new BackColour(window, Qt::black);
}
