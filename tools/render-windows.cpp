// Draws the four windows as laid out, with sample texts filled in, and saves
// each as a PNG picture: form1.png, frmname.png, form2.png and form3.png in
// the folder given (docs/ by default). Runs without a display.
#include "codepage.h"
#include "fonts.h"
#include "ui_form1.h"
#include "ui_form2.h"
#include "ui_form3.h"
#include "ui_frmname.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QPixmap>
#include <QTextStream>

#include <array>

namespace {

const std::array<QString, 4> SampleNames = {QStringLiteral("Kestrel"), QStringLiteral("Brannoc"),
                                            QStringLiteral("Sable Wren"),
                                            QStringLiteral("Tovi \u00B7 Ironvale")};

const std::array<QString, 10> SampleMacros = {QStringLiteral("Hold the north gate!"),
                                              QStringLiteral("Regroup at the forge"),
                                              QStringLiteral("Need healing \u2013 now"),
                                              QStringLiteral("On my way"),
                                              QStringLiteral("Good game, all!"),
                                              QStringLiteral("Follow me"),
                                              QStringLiteral("Wait for the signal"),
                                              QStringLiteral("Caf\u00E9 break, back soon"),
                                              QStringLiteral("Cover & hold"),
                                              QStringLiteral("\u00AB IVL \u00BB recruits")};

bool Save(QWidget &window, const QDir &folder, const QString &fileName)
{
    window.show();
    const QString path = folder.filePath(fileName);
    const bool saved = window.grab().save(path);
    window.close();
    QTextStream(saved ? stdout : stderr) << (saved ? "wrote " : "cannot write ") << path << '\n';
    return saved;
}

bool RenderForm1(const QDir &folder)
{
    QWidget window;
    Ui::Form1 ui;
    ui.setupUi(&window);
    for (const QString &name : SampleNames)
        ui.List1->addItem(name);
    ui.List1->setCurrentRow(0);
    for (std::size_t i = 0; i < SampleMacros.size(); ++i)
        ui.lblMacro[i]->setCaption(SampleMacros[i]);
    return Save(window, folder, QStringLiteral("form1.png"));
}

bool RenderNameEditor(const QDir &folder)
{
    QDialog window;
    Ui::frmname ui;
    ui.setupUi(&window);
    ui.lblname->setCaption(SampleNames[2]);
    ui.txtname->setText(SampleNames[2]);
    return Save(window, folder, QStringLiteral("frmname.png"));
}

bool RenderMacrosEditor(const QDir &folder)
{
    QDialog window;
    Ui::Form2 ui;
    ui.setupUi(&window);
    ui.lblname->setCaption(SampleNames[0]);
    for (std::size_t i = 0; i < SampleMacros.size(); ++i)
        ui.txtmacro[i]->setText(SampleMacros[i]);
    return Save(window, folder, QStringLiteral("form2.png"));
}

bool RenderCharacterMap(const QDir &folder)
{
    QDialog window;
    Ui::Form3 ui;
    ui.setupUi(&window);
    for (int code = Ui::Form3::FirstCode; code <= Ui::Form3::LastCode; ++code) {
        ClassicLabel *label = ui.Label1[static_cast<std::size_t>(code)];
        QFont font = label->font();
        font.setFamily(QStringLiteral("Times New Roman"));
        label->setFont(font);
        label->setCaption(QString(QChar(CharacterForByte(static_cast<unsigned char>(code)))));
    }
    ui.tbname->show();
    ui.tbname->setText(QStringLiteral("K\u00E9strel\u00B7"));
    return Save(window, folder, QStringLiteral("form3.png"));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterFontSubstitutes();

    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs"));
    if (!folder.mkpath(QStringLiteral("."))) {
        QTextStream(stderr) << "cannot create " << folder.path() << '\n';
        return 1;
    }
    const bool ok = RenderForm1(folder) && RenderNameEditor(folder) && RenderMacrosEditor(folder) &&
                    RenderCharacterMap(folder);
    return ok ? 0 : 1;
}
