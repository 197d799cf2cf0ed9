// SPDX-License-Identifier: GPL-3.0-or-later
// The classic label: access-key ampersands as shown on screen and as read by
// assistive tools, the literal captions of player text, its colours (dimmed
// when disabled), and its click rule for real mouse input.
#include "ui/classic/classiclabel.h"
#include "ui/classic/fonts.h"

#include <QPainter>
#include <QSignalSpy>
#include <QWindow>
#include <QtTest>

namespace {

const QColor Silver(192, 192, 192);
const QColor Black(0, 0, 0);

QImage Render(ClassicLabel &label, const QString &caption)
{
    label.setCaption(caption);
    return label.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// What plain text without any access-key reading looks like in the label.
QImage RenderLiterally(const ClassicLabel &label, const QString &text)
{
    QImage image(label.size(), QImage::Format_RGB32);
    image.fill(Black);
    QPainter painter(&image);
    painter.setFont(label.font());
    painter.setPen(Silver);
    painter.drawText(image.rect(), Qt::AlignLeft | Qt::AlignTop, text);
    return image;
}

// The bounding box of the pixels in which two pictures differ.
QRect Difference(const QImage &a, const QImage &b)
{
    QRect box;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

bool HasColour(const QImage &image, const QColor &colour)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour)
                return true;
    return false;
}

} // namespace

class TestClassicLabel : public QObject
{
    Q_OBJECT

private:
    QWidget *m_host = nullptr;
    ClassicLabel *m_label = nullptr;

    QPoint inWindow(QPoint point) const { return m_label->mapTo(m_host, point); }

private slots:
    void initTestCase() { RegisterFontSubstitutes(); }

    void init()
    {
        m_host = new QWidget;
        m_host->resize(200, 100);
        m_label = new ClassicLabel(m_host);
        m_label->setGeometry(20, 20, 120, 20);
        m_label->setFont(DefaultWindowFont());
    }

    void cleanup()
    {
        delete m_host;
        m_host = nullptr;
    }

    void defaults()
    {
        QCOMPARE(m_label->focusPolicy(), Qt::NoFocus);
        QCOMPARE(m_label->foreColor(), Silver);
        QCOMPARE(m_label->backColor(), Black);
        QVERIFY(m_label->caption().isEmpty());
        QVERIFY(!m_label->testAttribute(Qt::WA_SetCursor));

        // Opaque black everywhere, whatever is behind it.
        const QImage empty = Render(*m_label, QString());
        QCOMPARE(Difference(empty, RenderLiterally(*m_label, QString())), QRect());
    }

    void accessKeyIsHiddenAndUnderlined()
    {
        const QImage marked = Render(*m_label, QStringLiteral("A&B"));
        const QImage plain = Render(*m_label, QStringLiteral("AB"));
        QCOMPARE(plain, RenderLiterally(*m_label, QStringLiteral("AB")));

        // The same letters in the same places; only a line under the B is added.
        const QRect underline = Difference(marked, plain);
        QVERIFY(!underline.isEmpty());
        const QFontMetrics metrics(m_label->font());
        const int bStart = metrics.horizontalAdvance(QStringLiteral("A"));
        const int bEnd = metrics.horizontalAdvance(QStringLiteral("AB"));
        QVERIFY2(underline.left() >= bStart - 1 && underline.right() <= bEnd,
                 qPrintable(QStringLiteral("underline from %1 to %2, B from %3 to %4")
                                .arg(underline.left())
                                .arg(underline.right())
                                .arg(bStart)
                                .arg(bEnd)));
        QVERIFY(underline.top() >= metrics.ascent());
        QVERIFY(underline.height() <= 2);
    }

    void doubledAmpersandShowsOne()
    {
        QCOMPARE(Render(*m_label, QStringLiteral("A&&B")),
                 RenderLiterally(*m_label, QStringLiteral("A&B")));
        QCOMPARE(Render(*m_label, QStringLiteral("&&")),
                 RenderLiterally(*m_label, QStringLiteral("&")));
        // A lone ampersand shows nothing at all.
        QCOMPARE(Render(*m_label, QStringLiteral("&")), RenderLiterally(*m_label, QString()));
        QCOMPARE(Render(*m_label, QStringLiteral("AB&")),
                 RenderLiterally(*m_label, QStringLiteral("AB")));
    }

    void captionIsPlainText()
    {
        QCOMPARE(Render(*m_label, QStringLiteral("<b>x</b>")),
                 RenderLiterally(*m_label, QStringLiteral("<b>x</b>")));
    }

    void accessibleNameIsTheShownText_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("plain") << "Player Name"
                               << "Player Name";
        QTest::newRow("access key") << "A&B"
                                    << "AB";
        QTest::newRow("doubled") << "A&&B"
                                 << "A&B";
        QTest::newRow("only doubled") << "&&"
                                      << "&";
        QTest::newRow("three") << "&&&x"
                               << "&x";
        QTest::newRow("before a space") << "Cover & hold"
                                        << "Cover  hold";
        QTest::newRow("trailing") << "AB&"
                                  << "AB";
        QTest::newRow("lone") << "&"
                              << "";
    }

    void accessibleNameIsTheShownText()
    {
        QFETCH(QString, caption);
        QFETCH(QString, shown);
        m_label->setCaption(QStringLiteral("something else"));
        m_label->setCaption(caption);
        QCOMPARE(m_label->caption(), caption);
        QCOMPARE(m_label->accessibleName(), shown);
        QCOMPARE(ClassicLabel::shownText(caption), shown);
    }

    void literalCaptionShowsEveryAmpersand()
    {
        m_label->setCaption(QStringLiteral("Salt & Pepper"));
        m_label->setLiteral(true);
        QCOMPARE(m_label->accessibleName(), QStringLiteral("Salt & Pepper"));
        for (const QString &text :
             {QStringLiteral("A&B"), QStringLiteral("&&"), QStringLiteral("&")}) {
            QCOMPARE(Render(*m_label, text), RenderLiterally(*m_label, text));
            QCOMPARE(m_label->accessibleName(), text);
        }
        m_label->setLiteral(false);
        QCOMPARE(m_label->accessibleName(), QString());
    }

    void coloursAndFixedSize()
    {
        // Letters big enough to have pixels fully inside their strokes.
        m_label->setFont(ClassicFont(QStringLiteral("MS Sans Serif"), 24));
        m_label->setForeColor(QColor(48, 106, 241));
        const QImage blue = Render(*m_label, QStringLiteral("IIII"));
        QVERIFY(HasColour(blue, QColor(48, 106, 241)));
        QCOMPARE(blue.pixelColor(blue.width() - 1, blue.height() - 1), Black);

        // Disabled, the text is dimmed.
        m_label->setEnabled(false);
        const QImage dimmed = Render(*m_label, QStringLiteral("IIII"));
        QVERIFY(!HasColour(dimmed, QColor(48, 106, 241)));
        QVERIFY(HasColour(dimmed, QColor(128, 128, 128)));

        // A caption wider than the label is cut, never resizes it.
        m_label->setCaption(QString(200, QLatin1Char('W')));
        QCOMPARE(m_label->size(), QSize(120, 20));
        QCOMPARE(m_label->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    }

    void clickRule()
    {
        m_host->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_host));
        QWindow *window = m_host->windowHandle();
        QVERIFY(window);
        QSignalSpy clicks(m_label, &ClassicLabel::clicked);
        const QPoint inside = inWindow(QPoint(10, 10));
        const QPoint outside = inWindow(QPoint(-10, 10));

        // Press, release, double click, release: one click.
        QTest::mouseDClick(window, Qt::LeftButton, {}, inside);
        QCOMPARE(clicks.count(), 1);

        // Two separate clicks: two.
        clicks.clear();
        QTest::mouseClick(window, Qt::LeftButton, {}, inside);
        QTest::mouseClick(window, Qt::LeftButton, {}, inside);
        QCOMPARE(clicks.count(), 2);

        // Like a button: released outside, or with another button, no click.
        clicks.clear();
        QTest::mousePress(window, Qt::LeftButton, {}, inside);
        QTest::mouseRelease(window, Qt::LeftButton, {}, outside);
        QTest::mouseClick(window, Qt::RightButton, {}, inside);
        QTest::mousePress(window, Qt::LeftButton, {}, outside);
        QTest::mouseRelease(window, Qt::LeftButton, {}, inside);
        QCOMPARE(clicks.count(), 0);
    }
};

QTEST_MAIN(TestClassicLabel)
#include "test_classiclabel.moc"
