// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/form1.h"

#include "playerfile/codepage.h"
#include "playerfile/playerfile.h"
#include "settings/gamefolder.h"
#include "ui/application.h"
#include "ui/form2.h"
#include "ui/frmname.h"
#include "ui/frmrestore.h"
#include "ui/globals.h"
#include "ui/playertext.h"
#include "ui/questionbox.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QShortcut>
#include <QSignalBlocker>

#include <array>
#include <initializer_list>
#include <optional>

namespace {

const QKeySequence UndoKey(Qt::CTRL | Qt::Key_Z);

} // namespace

Form1::Form1(QWidget *parent) : QWidget(parent)
{
    setupUi(this);
    connect(List1, &ClassicListBox::entrySelected, this, Guarded([this] { List1_Click(); }));
    connect(Command1, &QPushButton::clicked, this, Guarded([this] { Command1_Click(); }));
    connect(Command2, &QPushButton::clicked, this, Guarded([this] { Command2_Click(); }));
    connect(Label2, &ClassicLabel::clicked, this, &Form1::Label2_Click);
    connect(&m_fileWatch, &FileWatch::changed, this, &Form1::FollowFile);

    auto *undo = new QShortcut(UndoKey, this);
    connect(undo, &QShortcut::activated, this, Guarded([this] { UndoLastChange(); }));
#ifndef Q_OS_WIN
    // Windows turns Shift+F10 into a context menu event itself.
    auto *menuKey = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this,
            [this] { ShowContextMenu(mapToGlobal(rect().center())); });
#endif
}

bool Form1::Form_Load()
{
    PlatformServices services;
    return Form_Load(services, SettingsFileFor(services));
}

bool Form1::Form_Load(SystemServices &services, const std::filesystem::path &settingsFile)
{
    const std::string folder = ResolveGameFolder(services, settingsFile, winId());
    if (folder.empty())
        return false;
    GameFolder = folder;
    m_playerFile = PlayerFileToEdit(services, GameFolder);
    // The game's own code page from here on: the names as the game shows them.
    SelectCodePage(services.gameCodePage(folder));
    changes().store().removeOldTemporaries();
    AppendPlayerNames(List1, m_playerFile.path);
    // Runs the selection handling at once, so the first player's macros are
    // in place before the window shows.
    Application::runNested([this] { List1->setCurrentRow(0); });
    m_fileWatch.watch(QtPathOf(m_playerFile.path));
    ShowWhichFile();
    return true;
}

void Form1::RefreshCurrentPlayer()
{
    CurrentPlayer = SelectedSlotOrFirst(List1);
}

QString Form1::SelectedName() const
{
    return SelectedText(List1);
}

void Form1::List1_Click()
{
    ShowMacrosFromFile(static_cast<std::int16_t>(List1->currentRow()));
}

void Form1::ShowMacrosFromFile(std::int16_t slot)
{
    // The file is opened before the slot is looked at, so a missing file
    // shows up here even when nothing is selected.
    const PlayerFileReader file(m_playerFile.path);
    const auto macros = file.ReadPlayerMacros(slot);
    if (!macros)
        return;
    for (std::size_t i = 0; i < lblMacro.size(); ++i)
        lblMacro[i]->setCaption(ToQString((*macros)[i]));
}

void Form1::Command1_Click()
{
    // The editor opens on what the file holds, not on an older list.
    FollowFile();
    frmname editor(this);
    editor.exec();
}

void Form1::Command2_Click()
{
    FollowFile();
    // The editor takes the selected player as it loads.
    Form2 editor(this);
    editor.exec();
}

void Form1::Label2_Click()
{
    PlatformServices().openWebAddress(MakersWebAddress);
}

bool Form1::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        m_fileWatch.look(); // for where no notification comes
    else if (event->type() == QEvent::WindowUnblocked && m_followPending)
        FollowFile();
    return QWidget::event(event);
}

void Form1::FollowFile()
{
    // An open editor or question is not changed under the user; this window
    // catches up when it is unblocked.
    if (QApplication::activeModalWidget()) {
        m_followPending = true;
        return;
    }
    m_followPending = false;
    PlayerNames names;
    std::optional<MacroTexts> macros;
    try {
        const PlayerFileReader file(m_playerFile.path);
        names = file.ReadPlayerNames();
        macros = file.ReadPlayerMacros(static_cast<std::int16_t>(List1->currentRow()));
    } catch (const FileError &error) {
        // Not the user's request: the window says so and waits for the file.
        ShowFileReadable(false, QString::fromLocal8Bit(error.what()));
        return;
    }
    ShowFileReadable(true);
    ShowWhichFile();
    // Only what differs is set, so the editor's own writes change nothing
    // on screen, and the selection stays.
    for (int row = 0; row < List1->count() && row < static_cast<int>(names.size()); ++row) {
        QListWidgetItem *item = List1->item(row);
        const QString name = ToQString(names[static_cast<std::size_t>(row)]);
        if (item->text() != name)
            item->setText(name);
    }
    if (macros) {
        for (std::size_t i = 0; i < lblMacro.size(); ++i)
            lblMacro[i]->setCaption(ToQString((*macros)[i]));
    }
}

void Form1::ShowFileReadable(bool readable, const QString &why)
{
    if (List1->isEnabled() == readable)
        return;
    // Unreadable, the list and the macros keep what they showed, dimmed.
    for (QWidget *control : std::initializer_list<QWidget *>{List1, Command1, Command2})
        m_focusReturn.setEnabled(control, readable);
    for (ClassicLabel *label : lblMacro)
        label->setEnabled(readable);
    lblPlayerName->setCaption(
        readable ? QStringLiteral("Player Name")
                 : QStringLiteral("%1 cannot be read").arg(QLatin1String(PlayerFileName)));
    const QString detail =
        readable ? QString() : why + QStringLiteral(". The list shows it again when it is back.");
    lblPlayerName->setToolTip(detail);
    List1->setToolTip(detail);
}

void Form1::ShowWhichFile()
{
    const QString note = fileNote();
    List1->setAccessibleDescription(note);
    // While the file cannot be read, the tooltip says why instead.
    if (List1->isEnabled())
        List1->setToolTip(note);
}

QString Form1::fileNote() const
{
    if (!m_playerFile.redirected())
        return {};
    const QString edited = QDir::toNativeSeparators(QtPathOf(m_playerFile.path));
    const QString installed = QDir::toNativeSeparators(QtPathOf(m_playerFile.installed));
    QString note = QStringLiteral("The list shows %1, the copy of %2 that Windows keeps for the "
                                  "game: Windows sends the game's writes there, and the game "
                                  "reads that copy.")
                       .arg(edited, installed);
    const QDateTime copyWritten = QFileInfo(edited).lastModified();
    const QDateTime installedWritten = QFileInfo(installed).lastModified();
    if (copyWritten.isValid() && installedWritten > copyWritten) {
        const auto when = [](const QDateTime &time) {
            return QStringLiteral("at %1 on %2")
                .arg(time.toString(QStringLiteral("HH:mm:ss")),
                     time.toString(QStringLiteral("yyyy-MM-dd")));
        };
        note += QStringLiteral(" %1 was written later (%2) than the copy (%3): the game may have "
                               "been run as administrator since, which Windows does not "
                               "redirect.")
                    .arg(installed, when(installedWritten), when(copyWritten));
    }
    return note;
}

void Form1::contextMenuEvent(QContextMenuEvent *event)
{
    ShowContextMenu(event->globalPos());
}

void Form1::ShowContextMenu(const QPoint &globalPosition)
{
    const BackupStore store = changes().store();
    QMenu menu(this);
    QAction *undo = menu.addAction(QStringLiteral("&Undo last change"));
    undo->setObjectName(QStringLiteral("actionUndo"));
    undo->setShortcut(UndoKey);
    undo->setEnabled(store.undoTarget().has_value());
    QAction *restore = menu.addAction(QStringLiteral("&Restore an earlier copy..."));
    restore->setObjectName(QStringLiteral("actionRestore"));
    const QAction *chosen = menu.exec(globalPosition);
    if (chosen == undo)
        Application::runHandler([this] { UndoLastChange(); });
    else if (chosen == restore)
        ShowRestoreWindow();
}

void Form1::UndoLastChange()
{
    QuestionBox questions(this);
    if (changes().undo(questions))
        ListPlayersFromFile(List1->currentRow());
}

void Form1::ShowRestoreWindow()
{
    frmrestore window(this);
    window.exec();
}

void Form1::ListPlayersFromFile(int row)
{
    {
        // Emptying the list is not a selection of the user's.
        const QSignalBlocker quiet(List1);
        List1->clear();
    }
    AppendPlayerNames(List1, m_playerFile.path);
    Application::runNested([this, row] { List1->setCurrentRow(row); });
}
