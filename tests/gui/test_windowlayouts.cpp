// SPDX-License-Identifier: GPL-3.0-or-later
// The four window layouts, checked through the widgets they create: every
// control's name, kind, place, caption, font and colours, the windows' own
// properties, the character grid, focus order, pointers and images.
#include "playerfile/codepage.h"
#include "tests/support/modal.h"
#include "ui/classic/classiclabel.h"
#include "ui/classic/fonts.h"
#include "ui/ui_form1.h"
#include "ui/ui_form2.h"
#include "ui/ui_form3.h"
#include "ui/ui_frmname.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFontInfo>
#include <QImageReader>
#include <QSignalSpy>
#include <QWindow>
#include <QtTest>

#include <climits>
#include <memory>
#include <set>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace {

// Independent of the program's own conversion: twips to 96 dpi pixels.
int Px(int twips)
{
    return qRound(twips / 15.0);
}

QRect PxRect(int left, int top, int width, int height)
{
    return QRect(Px(left), Px(top), Px(width), Px(height));
}

const QString Times = QStringLiteral("Times New Roman");
const QString SansSerif = QStringLiteral("MS Sans Serif");
const QColor Silver(192, 192, 192);
const QColor Black(0, 0, 0);
const QColor LinkBlue(48, 106, 241);
const QString CheckedElsewhere = QStringLiteral("<checked elsewhere>");

// Builds a window from its layout the way the program does: the main window
// on a plain widget, the other three on dialogs.
std::unique_ptr<QWidget> BuildWindow(const QString &window)
{
    if (window == QLatin1String("Form1")) {
        auto host = std::make_unique<QWidget>();
        Ui::Form1().setupUi(host.get());
        return host;
    }
    auto host = std::make_unique<QDialog>();
    if (window == QLatin1String("frmname"))
        Ui::frmname().setupUi(host.get());
    else if (window == QLatin1String("Form2"))
        Ui::Form2().setupUi(host.get());
    else
        Ui::Form3().setupUi(host.get());
    return host;
}

QWidget *Control(const QWidget &window, const QString &name)
{
    return window.findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
}

QStringList DirectChildNames(const QWidget &window)
{
    QStringList names;
    for (const QWidget *child : window.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        names << child->objectName();
    return names;
}

QString MacroRowName(const char *array, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(index);
}

QString FocusName()
{
    const QWidget *focus = QApplication::focusWidget();
    return focus ? focus->objectName() : QStringLiteral("<none>");
}

QImage Rgb(const QImage &image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

int DistinctColours(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    std::set<QRgb> colours;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            colours.insert(argb.pixel(x, y));
    return static_cast<int>(colours.size());
}

bool HasColour(const QImage &image, const QColor &colour)
{
    const QImage rgb = Rgb(image);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            if (rgb.pixelColor(x, y) == colour)
                return true;
    return false;
}

QImage PointerImage()
{
    return QImage(QStringLiteral(":/images/pointer.png")).convertToFormat(QImage::Format_ARGB32);
}

bool HasOurPointer(const QWidget *widget)
{
    const QCursor cursor = widget->cursor();
    return widget->testAttribute(Qt::WA_SetCursor) && cursor.hotSpot() == QPoint(0, 0) &&
           cursor.pixmap().toImage().convertToFormat(QImage::Format_ARGB32) == PointerImage();
}

// A width measured against a label holds only in the face the layout was
// made for: the face itself or its named stand-in. Empty when the font got
// one of those, else what it got instead.
QString WrongFace(const QFont &font)
{
    const QString got = QFontInfo(font).family();
    const QStringList wanted = QStringList{font.family()} + QFont::substitutes(font.family());
    if (wanted.contains(got, Qt::CaseInsensitive)) // Qt keeps substitutes in lower case
        return {};
    return QStringLiteral("drawn in %1 instead of %2: is the font installed (tools/install-deps)?")
        .arg(got, wanted.join(QLatin1String(" or ")));
}

// Real Windows has the classic faces; Wine, like Linux, has the stand-ins.
bool HasClassicFaces()
{
#ifdef _WIN32
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") == nullptr;
#else
    return false;
#endif
}

} // namespace

class TestWindowLayouts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterFontSubstitutes(); }

    void windowProperties_data();
    void windowProperties();
    void controls_data();
    void controls();
    void creationOrder_data();
    void creationOrder();
    void membersAreTheNamedControls();
    void mainWindowRows();
    void creditLine();
    void wholeTextFits_data();
    void wholeTextFits();
    void characterGrid();
    void characterGridExamples_data();
    void characterGridExamples();
    void focusOrder_data();
    void focusOrder();
    void noButtonIsPressedByEnter_data();
    void noButtonIsPressedByEnter();
    void textBoxesHaveNoLengthLimit();
    void pointers();
    void logoBoxShowsTheTopRowsOnly();
    void scaledWindows_data();
    void scaledWindows();
    void images();
    void fontSubstitutes();
};

void TestWindowLayouts::windowProperties_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("clientSize");
    QTest::addColumn<QPoint>("screenPosition");
    QTest::addColumn<bool>("minimise");

    QTest::newRow("Form1") << "Form1"
                           << "Ironvale Name Editor For KORVAX." << QSize(491, 350)
                           << QPoint(Px(5790), Px(4725)) << true;
    QTest::newRow("frmname") << "frmname"
                             << "Name Editor" << QSize(275, 120) << QPoint(Px(7425), Px(6705))
                             << false;
    QTest::newRow("Form2") << "Form2"
                           << "Macros Editor" << QSize(427, 395) << QPoint(Px(6120), Px(4725))
                           << false;
    QTest::newRow("Form3") << "Form3"
                           << "Charactor Map" << QSize(500, 413) << QPoint(Px(5625), Px(4560))
                           << true;
}

void TestWindowLayouts::windowProperties()
{
    QFETCH(QString, window);
    QFETCH(QString, caption);
    QFETCH(QSize, clientSize);
    QFETCH(QPoint, screenPosition);
    QFETCH(bool, minimise);

    const std::unique_ptr<QWidget> w = BuildWindow(window);
    QCOMPARE(w->windowTitle(), caption);
    QVERIFY(w->isWindow());
    QCOMPARE(w->geometry(), QRect(screenPosition, clientSize));
    QCOMPARE(w->minimumSize(), clientSize);
    QCOMPARE(w->maximumSize(), clientSize);

    const Qt::WindowFlags flags = w->windowFlags();
    QCOMPARE(flags.testFlag(Qt::WindowMinimizeButtonHint), minimise);
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    QCOMPARE(w->windowType(), window == QLatin1String("Form1") ? Qt::Window : Qt::Dialog);

    const QImage icon = w->windowIcon().pixmap(32, 32).toImage();
    QCOMPARE(icon.size(), QSize(32, 32));
    QCOMPARE(icon.convertToFormat(QImage::Format_ARGB32),
             QImage(QStringLiteral(":/images/icon.png")).convertToFormat(QImage::Format_ARGB32));
    // Twice the pixels take the 64 px drawing, not the 32 px one scaled up.
    QCOMPARE(w->windowIcon().pixmap(64, 64).toImage().convertToFormat(QImage::Format_ARGB32),
             QImage(QStringLiteral(":/images/icon-64.png")).convertToFormat(QImage::Format_ARGB32));

    QCOMPARE(w->font().family(), SansSerif);
    QCOMPARE(w->font().pointSizeF(), 8.25);

    QVERIFY(ShowAndActivate(*w));
    QCOMPARE(w->size(), clientSize);
    // The top-left corner is bare window in every layout: the back colour.
    const QImage picture = Rgb(w->grab().toImage());
    QCOMPARE(picture.size(), clientSize);
    QCOMPARE(picture.pixelColor(2, 2), Black);
    QCOMPARE(picture.pixelColor(clientSize.width() - 2, 2), Black);
}

void TestWindowLayouts::controls_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QRect>("twips"); // Left, Top, Width, Height
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("pointSize");
    QTest::addColumn<bool>("underline");
    QTest::addColumn<bool>("visible");

    const auto row = [](const char *window, const QString &control, const char *kind, int left,
                        int top, int width, int height, const QString &caption,
                        const QString &family, double points, bool underline = false,
                        bool visible = true) {
        QTest::addRow("%s/%s", window, qPrintable(control))
            << QString::fromLatin1(window) << control << QString::fromLatin1(kind)
            << QRect(left, top, width, height) << caption << family << points << underline
            << visible;
    };
    const QString none;

    row("Form1", "Picture1", "QLabel", 3720, 120, 2765, 2055, none, none, 0);
    row("Form1", "Command2", "QPushButton", 240, 2280, 2655, 375, "Edit Macros", Times, 9.75);
    row("Form1", "Command1", "QPushButton", 240, 1800, 2655, 375, "Edit Name", Times, 9.75);
    row("Form1", "List1", "ClassicListBox", 240, 480, 2655, 1185, none, Times, 9.75);
    row("Form1", "Label2", "ClassicLabel", 3240, 2520, 2175, 255,
        QString::fromLatin1(MakersWebAddress), SansSerif, 8.25, true);
    row("Form1", "Label1", "ClassicLabel", 3240, 2280, 3735, 255, CheckedElsewhere, Times, 9.75);
    const int rowTops[] = {2760, 3000, 3240, 3480, 3720, 3960, 4200, 4440, 4680, 4920};
    for (int n = 10; n >= 1; --n) {
        row("Form1", QStringLiteral("Label%1").arg(10 + n), "ClassicLabel", 240, rowTops[n - 1],
            255, 255, QStringLiteral("%1:").arg(n), Times, 9);
    }
    for (int i = 9; i >= 0; --i)
        row("Form1", MacroRowName("lblMacro", i), "ClassicLabel", 600, rowTops[i], 6375, 255, "",
            Times, 9);
    row("Form1", "lblPlayerName", "ClassicLabel", 240, 240, 2775, 255, "Player Name", Times, 9.75);

    row("frmname", "Command1", "QPushButton", 120, 1080, 1215, 375, "Charactor Map", SansSerif,
        8.25);
    row("frmname", "cmdreset", "QPushButton", 3000, 480, 975, 375, "Reset", SansSerif, 8.25);
    row("frmname", "cmdcancel", "QPushButton", 2880, 1080, 1095, 375, "Cancel", SansSerif, 8.25);
    row("frmname", "cmdsave", "QPushButton", 1440, 1080, 1335, 375, "Submit changes", SansSerif,
        8.25);
    row("frmname", "txtname", "ClassicTextBox", 120, 480, 2655, 375, "", Times, 9);
    row("frmname", "lblname", "ClassicLabel", 165, 240, 2655, 255, "Label1", Times, 9.75);

    row("Form2", "Command1", "QPushButton", 600, 5400, 1215, 375, "Charactor Map", SansSerif, 8.25);
    const int boxTops[] = {480, 960, 1440, 1920, 2400, 2880, 3360, 3840, 4320, 4800};
    for (int i = 0; i <= 9; ++i)
        row("Form2", MacroRowName("txtmacro", i), "ClassicTextBox", 120, boxTops[i], 6135, 375, "",
            Times, 9);
    row("Form2", "cmdreset", "QPushButton", 2040, 5400, 1095, 375, "Reset", SansSerif, 8.25);
    row("Form2", "cmdcancel", "QPushButton", 4920, 5400, 1335, 375, "Cancel", SansSerif, 8.25);
    row("Form2", "cmdsave", "QPushButton", 3360, 5400, 1335, 375, "Submit changes", SansSerif,
        8.25);
    row("Form2", "lblname", "ClassicLabel", 160, 240, 2175, 255, "Label1", Times, 9.75);

    row("Form3", "Command1", "QPushButton", 3120, 5640, 1095, 375, "Close", SansSerif, 8.25);
    row("Form3", "tbname", "ClassicTextBox", 2280, 5040, 2775, 375, "", Times, 9, false, false);
    row("Form3", "tbmacro", "ClassicTextBox", 120, 5040, 7215, 375, "", Times, 9, false, false);
}

void TestWindowLayouts::controls()
{
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QString, kind);
    QFETCH(QRect, twips);
    QFETCH(QString, caption);
    QFETCH(QString, family);
    QFETCH(double, pointSize);
    QFETCH(bool, underline);
    QFETCH(bool, visible);

    const std::unique_ptr<QWidget> w = BuildWindow(window);
    QWidget *c = Control(*w, control);
    QVERIFY2(c, qPrintable(control));
    QCOMPARE(QString::fromLatin1(c->metaObject()->className()), kind);
    QCOMPARE(c->geometry(), PxRect(twips.x(), twips.y(), twips.width(), twips.height()));
    QCOMPARE(!c->isHidden(), visible);
    QVERIFY(c->isEnabled());

    if (!family.isEmpty()) {
        const QFont font = c->font();
        QCOMPARE(font.family(), family);
        QCOMPARE(font.pointSizeF(), pointSize);
        QCOMPARE(font.weight(), QFont::Normal);
        QCOMPARE(font.underline(), underline);
        QVERIFY(!font.italic());
        QVERIFY(!font.strikeOut());
    }

    const QPalette system = QApplication::palette(c);
    if (auto *label = qobject_cast<ClassicLabel *>(c)) {
        if (caption != CheckedElsewhere)
            QCOMPARE(label->caption(), caption);
        QCOMPARE(label->foreColor(), control == QLatin1String("Label2") ? LinkBlue : Silver);
        QCOMPARE(label->backColor(), Black);
        // The labels of player text show it as it is; the program's own
        // captions keep the access-key rule.
        QCOMPARE(label->isLiteral(), control.startsWith(QLatin1String("lblMacro")) ||
                                         control == QLatin1String("lblname"));
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        QCOMPARE(label->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
        QCOMPARE(label->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    } else if (auto *button = qobject_cast<QPushButton *>(c)) {
        QCOMPARE(button->text(), caption);
        QCOMPARE(button->palette().color(QPalette::Button), system.color(QPalette::Button));
        QCOMPARE(button->palette().color(QPalette::ButtonText), system.color(QPalette::ButtonText));
        QCOMPARE(button->palette().color(QPalette::Window), system.color(QPalette::Window));
    } else if (auto *box = qobject_cast<QLineEdit *>(c)) {
        QCOMPARE(box->text(), caption);
        QVERIFY(!box->isReadOnly());
        QCOMPARE(box->echoMode(), QLineEdit::Normal);
        QCOMPARE(box->maxLength(), INT_MAX);
        QCOMPARE(box->palette().color(QPalette::Base), system.color(QPalette::Base));
        QCOMPARE(box->palette().color(QPalette::Text), system.color(QPalette::Text));
        QCOMPARE(box->palette().color(QPalette::Window), system.color(QPalette::Window));
    } else if (auto *list = qobject_cast<QListWidget *>(c)) {
        QCOMPARE(list->count(), 0);
        QVERIFY(!list->isSortingEnabled());
        QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(list->palette().color(QPalette::Base), system.color(QPalette::Base));
        QCOMPARE(list->palette().color(QPalette::Text), system.color(QPalette::Text));
    } else if (auto *picture = qobject_cast<QLabel *>(c)) {
        QCOMPARE(picture->frameShape(), QFrame::NoFrame);
        QVERIFY(!picture->hasScaledContents());
        QCOMPARE(picture->pixmap().size(), picture->size());
        QCOMPARE(picture->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
    } else {
        QFAIL("unexpected kind of control");
    }
}

void TestWindowLayouts::creationOrder_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("names");

    QStringList form1 = {"Picture1", "Command2", "Command1", "List1", "Label2", "Label1"};
    for (int n = 20; n >= 11; --n)
        form1 << QStringLiteral("Label%1").arg(n);
    for (int i = 9; i >= 0; --i)
        form1 << MacroRowName("lblMacro", i);
    form1 << "lblPlayerName";
    QTest::newRow("Form1") << "Form1" << form1;

    QTest::newRow("frmname") << "frmname" << QStringList{"Command1", "cmdreset", "cmdcancel",
                                                         "cmdsave",  "txtname",  "lblname"};

    QStringList form2 = {"Command1"};
    for (const int i : {9, 8, 7, 6, 5, 0, 1, 2, 3})
        form2 << MacroRowName("txtmacro", i);
    form2 << "cmdreset"
          << "cmdcancel"
          << "cmdsave" << MacroRowName("txtmacro", 4) << "lblname";
    QTest::newRow("Form2") << "Form2" << form2;

    QStringList form3 = {"Command1", "tbname", "tbmacro"};
    for (int code = 32; code <= 255; ++code)
        form3 << MacroRowName("Label1", code);
    QTest::newRow("Form3") << "Form3" << form3;
}

void TestWindowLayouts::creationOrder()
{
    QFETCH(QString, window);
    QFETCH(QStringList, names);
    // Later controls lie above earlier ones where they overlap.
    QCOMPARE(DirectChildNames(*BuildWindow(window)), names);
}

void TestWindowLayouts::membersAreTheNamedControls()
{
    const auto check = [](const QWidget &window, const QWidget *member, const QString &name) {
        return member && member->parentWidget() == &window && member->objectName() == name;
    };

    QWidget main;
    Ui::Form1 form1;
    form1.setupUi(&main);
    QVERIFY(check(main, form1.Picture1, "Picture1"));
    QVERIFY(check(main, form1.Command1, "Command1"));
    QVERIFY(check(main, form1.Command2, "Command2"));
    QVERIFY(check(main, form1.List1, "List1"));
    QVERIFY(check(main, form1.Label1, "Label1"));
    QVERIFY(check(main, form1.Label2, "Label2"));
    QVERIFY(check(main, form1.lblPlayerName, "lblPlayerName"));
    const ClassicLabel *const rowNumbers[] = {
        form1.Label11, form1.Label12, form1.Label13, form1.Label14, form1.Label15,
        form1.Label16, form1.Label17, form1.Label18, form1.Label19, form1.Label20};
    for (int n = 1; n <= 10; ++n) {
        QVERIFY(check(main, rowNumbers[n - 1], QStringLiteral("Label%1").arg(10 + n)));
        const std::size_t i = static_cast<std::size_t>(n - 1);
        QVERIFY(check(main, form1.lblMacro[i], MacroRowName("lblMacro", n - 1)));
    }

    QDialog nameEditor;
    Ui::frmname frmname;
    frmname.setupUi(&nameEditor);
    QVERIFY(check(nameEditor, frmname.Command1, "Command1"));
    QVERIFY(check(nameEditor, frmname.cmdreset, "cmdreset"));
    QVERIFY(check(nameEditor, frmname.cmdcancel, "cmdcancel"));
    QVERIFY(check(nameEditor, frmname.cmdsave, "cmdsave"));
    QVERIFY(check(nameEditor, frmname.txtname, "txtname"));
    QVERIFY(check(nameEditor, frmname.lblname, "lblname"));

    QDialog macrosEditor;
    Ui::Form2 form2;
    form2.setupUi(&macrosEditor);
    QVERIFY(check(macrosEditor, form2.Command1, "Command1"));
    QVERIFY(check(macrosEditor, form2.cmdreset, "cmdreset"));
    QVERIFY(check(macrosEditor, form2.cmdcancel, "cmdcancel"));
    QVERIFY(check(macrosEditor, form2.cmdsave, "cmdsave"));
    QVERIFY(check(macrosEditor, form2.lblname, "lblname"));
    for (int i = 0; i <= 9; ++i)
        QVERIFY(check(macrosEditor, form2.txtmacro[static_cast<std::size_t>(i)],
                      MacroRowName("txtmacro", i)));

    QDialog characterMap;
    Ui::Form3 form3;
    form3.setupUi(&characterMap);
    QVERIFY(check(characterMap, form3.Command1, "Command1"));
    QVERIFY(check(characterMap, form3.tbname, "tbname"));
    QVERIFY(check(characterMap, form3.tbmacro, "tbmacro"));
    for (int code = 0; code <= 255; ++code) {
        const ClassicLabel *label = form3.Label1[static_cast<std::size_t>(code)];
        if (code < 32)
            QVERIFY(!label);
        else
            QVERIFY(check(characterMap, label, MacroRowName("Label1", code)));
    }
}

void TestWindowLayouts::mainWindowRows()
{
    // Row n pairs "n:" with lblMacro(n - 1) on one line, 16 pixels apart.
    QWidget main;
    Ui::Form1 ui;
    ui.setupUi(&main);
    const ClassicLabel *const rowNumbers[] = {ui.Label11, ui.Label12, ui.Label13, ui.Label14,
                                              ui.Label15, ui.Label16, ui.Label17, ui.Label18,
                                              ui.Label19, ui.Label20};
    for (int n = 1; n <= 10; ++n) {
        const ClassicLabel *number = rowNumbers[n - 1];
        const ClassicLabel *macro = ui.lblMacro[static_cast<std::size_t>(n - 1)];
        QCOMPARE(number->caption(), QStringLiteral("%1:").arg(n));
        QCOMPARE(macro->y(), number->y());
        QCOMPARE(macro->y(), 184 + 16 * (n - 1));
        QVERIFY(macro->caption().isEmpty());
    }
}

void TestWindowLayouts::creditLine()
{
    QWidget main;
    Ui::Form1 ui;
    ui.setupUi(&main);
    const QString credit = ui.Label1->caption();
    QVERIFY(credit.startsWith(QLatin1String("Created by ")));
    const QString rest = credit.mid(11);
    QVERIFY(rest.contains(QLatin1String("IVL")));
    QVERIFY(rest.contains(QLatin1String("Ironvale")));
    QVERIFY2(!rest.startsWith(QLatin1String("IVL")), "no nickname before the group");
    bool decorated = false;
    for (const QChar c : credit) {
        // Every character has a code from 32 to 255 of the game's code page.
        const auto byte = ByteForCharacter(c.unicode());
        QVERIFY2(byte && *byte >= 32, qPrintable(QString(c)));
        decorated = decorated || *byte >= 128;
    }
    QVERIFY(decorated);
    QVERIFY(!credit.contains(QLatin1Char('&')));
}

void TestWindowLayouts::wholeTextFits_data()
{
    QTest::addColumn<QString>("label");
    QTest::newRow("credit line") << "Label1";
    QTest::newRow("web address") << "Label2";
}

void TestWindowLayouts::wholeTextFits()
{
    QFETCH(QString, label);
    QWidget main;
    Ui::Form1 ui;
    ui.setupUi(&main);
    const auto *shown = main.findChild<ClassicLabel *>(label);
    QVERIFY(shown);
    const QString face = WrongFace(shown->font());
    QVERIFY2(face.isEmpty(), qPrintable(face));
    const int width = QFontMetrics(shown->font()).horizontalAdvance(shown->caption());
    QVERIFY2(width <= shown->width(),
             qPrintable(QStringLiteral("%1 px in %2 px").arg(width).arg(shown->width())));
}

void TestWindowLayouts::characterGrid()
{
    QDialog map;
    Ui::Form3 ui;
    ui.setupUi(&map);
    QSet<QPoint> cells;
    for (int code = 32; code <= 255; ++code) {
        const ClassicLabel *label = ui.Label1[static_cast<std::size_t>(code)];
        const int k = code - 32;
        const int column = k % 18;
        const int row = k / 18;
        QCOMPARE(label->geometry(), PxRect(600 + 360 * column, 240 + 360 * row, 255, 255));
        QCOMPARE(label->size(), QSize(17, 17));
        QVERIFY(label->caption().isEmpty());
        QCOMPARE(label->font().family(), SansSerif);
        QCOMPARE(label->font().pointSizeF(), 8.25);
        QCOMPARE(label->foreColor(), Silver);
        QCOMPARE(label->backColor(), Black);
        QVERIFY(label->isLiteral());
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        QVERIFY(!label->isHidden());
        cells.insert(label->pos());
        // None overlaps another control.
        for (const QWidget *other : map.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            QVERIFY(other == label || !other->geometry().intersects(label->geometry()));
    }
    QCOMPARE(cells.size(), 224);
}

void TestWindowLayouts::characterGridExamples_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QPoint>("twips");
    QTest::newRow("32, first") << 32 << QPoint(600, 240);
    QTest::newRow("49, end of row 0") << 49 << QPoint(6720, 240);
    QTest::newRow("50, start of row 1") << 50 << QPoint(600, 600);
    QTest::newRow("233") << 233 << QPoint(1680, 4200);
    QTest::newRow("247, end of row 11") << 247 << QPoint(6720, 4200);
    QTest::newRow("248, start of row 12") << 248 << QPoint(600, 4560);
    QTest::newRow("255, last") << 255 << QPoint(3120, 4560);
}

void TestWindowLayouts::characterGridExamples()
{
    QFETCH(int, code);
    QFETCH(QPoint, twips);
    QDialog map;
    Ui::Form3 ui;
    ui.setupUi(&map);
    QCOMPARE(ui.Label1[static_cast<std::size_t>(code)]->pos(),
             QPoint(Px(twips.x()), Px(twips.y())));

    // Row 12 holds only codes 248 to 255.
    for (int c = 32; c <= 255; ++c) {
        const ClassicLabel *label = ui.Label1[static_cast<std::size_t>(c)];
        if (label->y() == Px(4560))
            QVERIFY(c >= 248 && label->x() <= Px(3120));
    }
}

void TestWindowLayouts::focusOrder_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("shownBoxes");
    QTest::addColumn<QStringList>("order");

    QTest::newRow("Form1") << "Form1" << QStringList()
                           << QStringList{"List1", "Command1", "Command2", "Picture1"};
    QTest::newRow("frmname") << "frmname" << QStringList()
                             << QStringList{"txtname", "cmdsave", "cmdcancel", "cmdreset",
                                            "Command1"};
    QStringList form2 = {MacroRowName("txtmacro", 4), "cmdsave", "cmdcancel", "cmdreset"};
    for (const int i : {3, 2, 1, 0, 5, 6, 7, 8, 9})
        form2 << MacroRowName("txtmacro", i);
    form2 << "Command1";
    QTest::newRow("Form2") << "Form2" << QStringList() << form2;
    QTest::newRow("Form3, both boxes hidden")
        << "Form3" << QStringList() << QStringList{"Command1"};
    QTest::newRow("Form3, name box shown")
        << "Form3" << QStringList{"tbname"} << QStringList{"tbname", "Command1"};
    QTest::newRow("Form3, macro box shown")
        << "Form3" << QStringList{"tbmacro"} << QStringList{"tbmacro", "Command1"};
    QTest::newRow("Form3, both boxes shown") << "Form3" << QStringList{"tbname", "tbmacro"}
                                             << QStringList{"tbmacro", "tbname", "Command1"};
}

void TestWindowLayouts::focusOrder()
{
    QFETCH(QString, window);
    QFETCH(QStringList, shownBoxes);
    QFETCH(QStringList, order);

    const std::unique_ptr<QWidget> w = BuildWindow(window);
    for (const QString &box : shownBoxes)
        Control(*w, box)->show();
    QVERIFY(ShowAndActivate(*w));
    QCOMPARE(FocusName(), order.first());

    // Tab goes once round the window and back to the start.
    QStringList visited;
    for (qsizetype i = 0; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << FocusName();
    }
    QCOMPARE(visited, order.mid(1) << order.first());

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(FocusName(), order.last());
}

void TestWindowLayouts::noButtonIsPressedByEnter_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("shownBoxes");
    QTest::newRow("Form1") << "Form1" << QStringList();
    QTest::newRow("frmname") << "frmname" << QStringList();
    QTest::newRow("Form2") << "Form2" << QStringList();
    QTest::newRow("Form3") << "Form3" << QStringList{"tbmacro"};
}

void TestWindowLayouts::noButtonIsPressedByEnter()
{
    QFETCH(QString, window);
    QFETCH(QStringList, shownBoxes);

    const std::unique_ptr<QWidget> w = BuildWindow(window);
    for (const QString &box : shownBoxes)
        Control(*w, box)->show();
    const QList<QPushButton *> buttons = w->findChildren<QPushButton *>();
    QVERIFY(!buttons.isEmpty());
    QList<std::shared_ptr<QSignalSpy>> clicks;
    for (QPushButton *button : buttons)
        clicks << std::make_shared<QSignalSpy>(button, &QAbstractButton::clicked);
    QVERIFY(ShowAndActivate(*w));

    // Enter and Return in every control that can hold the focus.
    const QWidget *start = QApplication::focusWidget();
    do {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    } while (QApplication::focusWidget() != start);

    for (const QPushButton *button : buttons) {
        QVERIFY(!button->isDefault());
        QVERIFY(!button->autoDefault());
    }
    for (const auto &spy : clicks)
        QCOMPARE(spy->count(), 0);
    QVERIFY(w->isVisible());
}

void TestWindowLayouts::textBoxesHaveNoLengthLimit()
{
    for (const QString window : {"frmname", "Form2", "Form3"}) {
        const std::unique_ptr<QWidget> w = BuildWindow(window);
        for (QLineEdit *box : w->findChildren<QLineEdit *>()) {
            QCOMPARE(box->maxLength(), INT_MAX);
            const QString longText(40000, QLatin1Char('x'));
            box->setText(longText);
            QCOMPARE(box->text(), longText);
        }
    }

    // Typing past QLineEdit's usual 32767 characters.
    QDialog editor;
    Ui::frmname ui;
    ui.setupUi(&editor);
    QVERIFY(ShowAndActivate(editor));
    ui.txtname->setText(QString(32767, QLatin1Char('a')));
    ui.txtname->setFocus();
    QTest::keyClicks(ui.txtname, QStringLiteral("bc"));
    QCOMPARE(ui.txtname->text().size(), 32769);
    QVERIFY(ui.txtname->text().endsWith(QLatin1String("bc")));
}

void TestWindowLayouts::pointers()
{
    // Ours over Form1's link and the 224 character labels; elsewhere one of
    // the system's shapes (the text boxes keep their I-beam).
    const auto systemPointer = [](const QWidget *w) {
        return w->cursor().shape() != Qt::BitmapCursor && !HasOurPointer(w);
    };

    QWidget main;
    Ui::Form1 form1;
    form1.setupUi(&main);
    QVERIFY(HasOurPointer(form1.Label2));
    for (const QWidget *control : main.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (control != form1.Label2)
            QVERIFY2(systemPointer(control), qPrintable(control->objectName()));
    }
    QVERIFY(!main.testAttribute(Qt::WA_SetCursor));

    QDialog map;
    Ui::Form3 form3;
    form3.setupUi(&map);
    for (int code = 32; code <= 255; ++code)
        QVERIFY(HasOurPointer(form3.Label1[static_cast<std::size_t>(code)]));
    QVERIFY(!map.testAttribute(Qt::WA_SetCursor));
    QVERIFY(systemPointer(form3.Command1));
    QVERIFY(systemPointer(form3.tbname));
    QVERIFY(systemPointer(form3.tbmacro));

    for (const char *name : {"frmname", "Form2"}) {
        const std::unique_ptr<QWidget> w = BuildWindow(QString::fromLatin1(name));
        QVERIFY(!w->testAttribute(Qt::WA_SetCursor));
        for (const QWidget *control : w->findChildren<QWidget *>())
            QVERIFY2(systemPointer(control), qPrintable(control->objectName()));
    }
}

void TestWindowLayouts::logoBoxShowsTheTopRowsOnly()
{
    QWidget main;
    Ui::Form1 ui;
    ui.setupUi(&main);
    QVERIFY(ShowAndActivate(main));

    const QImage logo = Rgb(QImage(QStringLiteral(":/images/logo.gif")));
    const QImage shown = Rgb(ui.Picture1->grab().toImage());
    QCOMPARE(shown.size(), QSize(184, 137));
    QCOMPARE(shown, logo.copy(0, 0, 184, 137));

    // The image's bottom 13 rows carry a marker colour found nowhere above;
    // it must not reach the window.
    const QColor marker(255, 0, 255);
    QVERIFY(HasColour(logo.copy(0, 137, 184, 13), marker));
    QVERIFY(!HasColour(logo.copy(0, 0, 184, 137), marker));
    QVERIFY(!HasColour(main.grab().toImage(), marker));
}

// The colours met from `from` to `to` along one row, each run of one
// colour counted once.
QList<QRgb> ColourRuns(const QImage &image, QPoint from, int to)
{
    QList<QRgb> runs;
    for (int x = from.x(); x <= to; ++x) {
        const QRgb colour = image.pixel(x, from.y());
        if (runs.isEmpty() || runs.last() != colour)
            runs << colour;
    }
    return runs;
}

// Across the left edge of a control, from the window into the control.
QList<QRgb> LeftEdgeColours(const QImage &image, const QWidget *control, qreal factor)
{
    const QRect edge = control->geometry();
    const int y = qRound((edge.top() + edge.height() / 2) * factor);
    return ColourRuns(image, QPoint(qRound((edge.left() - 3) * factor), y),
                      qRound((edge.left() + 6) * factor));
}

void TestWindowLayouts::scaledWindows_data()
{
    // Run at 100 % in the suite, and at 150 % and 200 % as ctest entries of
    // their own (QT_SCALE_FACTOR holds for the whole process).
    QTest::addColumn<QString>("window");
    QTest::addColumn<QSize>("twips");
    QTest::addColumn<QStringList>("framed");
    QTest::newRow("Form1") << "Form1" << QSize(7365, 5250) << QStringList{"List1", "Command1"};
    QTest::newRow("frmname") << "frmname" << QSize(4125, 1800) << QStringList{"txtname", "cmdsave"};
    QTest::newRow("Form2") << "Form2" << QSize(6405, 5925)
                           << QStringList{MacroRowName("txtmacro", 0), "Command1"};
    QTest::newRow("Form3") << "Form3" << QSize(7500, 6195) << QStringList{"tbmacro", "Command1"};
}

void TestWindowLayouts::scaledWindows()
{
    QFETCH(QString, window);
    QFETCH(QSize, twips);
    QFETCH(QStringList, framed);

    const std::unique_ptr<QWidget> w = BuildWindow(window);
    for (const QString &name : framed)
        Control(*w, name)->show();
    QVERIFY(ShowAndActivate(*w));
    const qreal factor = w->devicePixelRatioF();
    const QImage shown = Rgb(w->grab().toImage());
    QCOMPARE(shown.size(),
             QSize(qRound(twips.width() * factor / 15), qRound(twips.height() * factor / 15)));

    // A frame's edge at this factor passes through the same colours as at
    // 100 %, each on whole device pixels: no blend of two of them. After a
    // button's outline comes a light inner line, not a shade between the
    // outline and the face. (Fusion's buttons drawn at 100 % in a process
    // at 150 % are blends themselves, so they are no measure.)
    QImage unscaled(w->size(), QImage::Format_RGB32);
    w->render(&unscaled);
    for (const QString &name : framed) {
        const QWidget *control = Control(*w, name);
        const QList<QRgb> edge = LeftEdgeColours(shown, control, factor);
        if (qobject_cast<const QPushButton *>(control)) {
            QVERIFY(edge.size() >= 3);
            QCOMPARE(edge.at(0), qRgb(0, 0, 0));
            const int outline = qGray(edge.at(1));
            const int next = qGray(edge.at(2));
            const int face = qGray(edge.value(3, edge.at(2)));
            QVERIFY2(next <= qMin(outline, face) || next >= qMax(outline, face),
                     "a blend between the outline and the face");
        } else
            QCOMPARE(edge.mid(0, 3), LeftEdgeColours(unscaled, control, 1).mid(0, 3));
    }

    // The rows of the logo's image below the box reach no device pixel; the
    // box and the pointer show the drawings at twice the size above 100 %.
    if (const auto *logo = qobject_cast<QLabel *>(Control(*w, QStringLiteral("Picture1")))) {
        QVERIFY(!HasColour(shown, QColor(255, 0, 255)));
        QCOMPARE(logo->pixmap().devicePixelRatio(), factor);
        const QCursor pointer = Control(*w, QStringLiteral("Label2"))->cursor();
        QCOMPARE(pointer.pixmap().deviceIndependentSize(), QSizeF(32, 32));
        QCOMPARE(pointer.pixmap().devicePixelRatio(), factor > 1 ? 2.0 : 1.0);
        QCOMPARE(pointer.hotSpot(), QPoint(0, 0));
    }
}

void TestWindowLayouts::images()
{
    QFile logoFile(QStringLiteral(":/images/logo.gif"));
    QVERIFY(logoFile.open(QIODevice::ReadOnly));
    QCOMPARE(logoFile.read(6), QByteArray("GIF89a"));
    QCOMPARE(QImage(QStringLiteral(":/images/logo.gif")).size(), QSize(184, 150));

    const QImage icon(QStringLiteral(":/images/icon.png"));
    QCOMPARE(icon.size(), QSize(32, 32));
    QVERIFY(DistinctColours(icon) <= 256);
    // The program file's icon holds every size of the desktop's icons, the
    // same pictures (the 256 px one a PNG entry), and its 32 px one is the
    // windows' icon.
    QImageReader programIcon(QStringLiteral(KORVAX_IMAGES_DIR "/icon.ico"));
    QCOMPARE(programIcon.imageCount(), 7);
    for (const int side : {16, 24, 32, 48, 64, 128, 256}) {
        const QImage entry = programIcon.read().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(entry.size(), QSize(side, side));
        const QString png = QStringLiteral(KORVAX_IMAGES_DIR "/icon-%1.png").arg(side);
        QCOMPARE(entry, QImage(png).convertToFormat(QImage::Format_ARGB32));
        if (side == 32)
            QCOMPARE(entry, icon.convertToFormat(QImage::Format_ARGB32));
        programIcon.jumpToNextImage();
    }

    const QImage pointer = PointerImage();
    QCOMPARE(pointer.size(), QSize(32, 32));
    QVERIFY(DistinctColours(pointer) <= 16);
    // The hot spot is the arrow's tip: drawn, not transparent.
    QCOMPARE(qAlpha(pointer.pixel(0, 0)), 255);
    QCOMPARE(qAlpha(pointer.pixel(31, 0)), 0);

    // The same drawings at twice the size, for screens above 100 %.
    QCOMPARE(QImage(QStringLiteral(":/images/logo@2x.gif")).size(), QSize(368, 300));
    const QImage sharpPointer(QStringLiteral(":/images/pointer@2x.png"));
    QCOMPARE(sharpPointer.size(), QSize(64, 64));
    QVERIFY(DistinctColours(sharpPointer) <= 16);
    QCOMPARE(qAlpha(sharpPointer.pixel(0, 0)), 255);
}

void TestWindowLayouts::fontSubstitutes()
{
    // Named on every system: Qt takes them only where the face is missing.
    // (Qt keeps them in lower case.)
    QCOMPARE(QFont::substitutes(SansSerif).value(0), QStringLiteral("liberation sans"));
    QCOMPARE(QFont::substitutes(Times), QStringList{QStringLiteral("liberation serif")});
    if (HasClassicFaces())
        QSKIP("this system has the classic faces themselves");
    QCOMPARE(QFontInfo(DefaultWindowFont()).family(), QStringLiteral("Liberation Sans"));
    QCOMPARE(QFontInfo(ClassicFont(Times, 9.75)).family(), QStringLiteral("Liberation Serif"));
    // 9.75 points are 13 pixels at 96 dpi.
    QCOMPARE(QFontInfo(ClassicFont(Times, 9.75)).pixelSize(), 13);
}

QTEST_MAIN(TestWindowLayouts)
#include "test_windowlayouts.moc"
