// SPDX-License-Identifier: GPL-3.0-or-later
// Faults and bad input around the player file and the settings file. Each
// case checks what the user is told (the report names the file and the
// reason in words) and that the player file holds exactly the bytes it held
// before the fault, or exactly those of a complete write.
#include "copies/backupstore.h"
#include "storage/fileerror.h"
#include "tests/support/modal.h"
#include "tests/support/probes.h"
#include "tests/support/samplegame.h"
#include "ui/application.h"
#include "ui/classic/fonts.h"
#include "ui/form2.h"
#include "ui/frmname.h"

#include <QDir>
#include <QListWidget>
#include <QRegularExpression>
#include <QtTest>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <optional>
#include <utility>

#ifdef __linux__
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// The system's words for a failure, as the report gives them: errno's on
// POSIX, GetLastError's on Windows, where a missing folder and a folder in
// the file's place have codes of their own. The player file is opened through
// the wide calls, which look for a path of more than 259 characters too
// (the ANSI calls refused it before looking): a missing one is "not found".
enum class Failure { NoFile, NoFolder, IsFolder, NoFileAtLongPath };

QString reason(Failure failure)
{
#ifdef _WIN32
    constexpr unsigned long codes[] = {2 /* ERROR_FILE_NOT_FOUND */, 3 /* ERROR_PATH_NOT_FOUND */,
                                       5 /* ERROR_ACCESS_DENIED */, 3};
#else
    constexpr unsigned long codes[] = {ENOENT, ENOENT, EISDIR, ENOENT};
#endif
    return QString::fromUtf8(SystemErrorText(codes[static_cast<int>(failure)]));
}

QString fromPath(const std::string &path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// While it lives, the calling thread opens files as an ordinary user does:
// root passes over permission bits through CAP_DAC_OVERRIDE, so it is
// dropped from the thread's effective set, and given back at the end.
class AsOrdinaryUser
{
public:
    AsOrdinaryUser()
    {
#ifdef __linux__
        if (::geteuid() != 0)
            return;
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_dropped = ::syscall(SYS_capset, &m_header, reduced) == 0;
#endif
    }
    ~AsOrdinaryUser()
    {
#ifdef __linux__
        if (m_dropped)
            ::syscall(SYS_capset, &m_header, m_saved);
#endif
    }
    AsOrdinaryUser(const AsOrdinaryUser &) = delete;
    AsOrdinaryUser &operator=(const AsOrdinaryUser &) = delete;

    // Whether a read-only file in `folder` really refuses an opening for writing.
    static bool permissionsHold(const QString &folder)
    {
        const QString probe = folder + QStringLiteral("/probe");
        writeBytes(probe, "x");
        QFile::setPermissions(probe, QFile::ReadOwner);
        QFile file(probe);
        const bool refused = !file.open(QIODevice::WriteOnly | QIODevice::Append);
        file.close();
        QFile::setPermissions(probe, QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(probe);
        return refused;
    }

private:
#ifdef __linux__
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_dropped = false;
#endif
};

// An editor folder with its settings file, and a game folder with the
// sample player file somewhere below a temporary folder.
struct Installation
{
    QTemporaryDir root;
    QString editorFolder = root.path() + QStringLiteral("/editor");
    QString settingsFile = editorFolder + QStringLiteral("/ivlname.cfg");

    Installation() { QDir().mkpath(editorFolder); }

    // Makes `folder` (below the root) hold the sample player file; returns
    // the game folder text as the program would be given it.
    std::string addGame(const QString &folder, const QString &spelling = QString()) const
    {
        const QString path = root.path() + u'/' + folder;
        QDir().mkpath(path);
        SampleSave::WriteTo(QFile::encodeName(path).toStdString());
        return QFile::encodeName(root.path() + u'/' + (spelling.isEmpty() ? folder : spelling))
            .toStdString();
    }
    std::string settings() const { return QFile::encodeName(settingsFile).toStdString(); }
};

// A modal window that opens although it should not is closed again, so the
// test fails instead of hanging. Only while this object lives.
class StrayModalCloser
{
public:
    StrayModalCloser()
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                opened = true;
                modal->close();
            }
        });
        m_timer.start(0);
    }
    bool opened = false;

private:
    QTimer m_timer;
};

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

    QStringList m_reports;
    int m_ends = 0;

    // One report and one request to end, naming `path` and `why`, with no
    // bare error number in place of words.
    void expectOneFailure(const QString &path, const QString &why)
    {
        QCOMPARE(m_reports.size(), 1);
        QCOMPARE(m_ends, 1);
        const QString &report = m_reports.first();
        QVERIFY2(report.contains(path), qPrintable(report));
        QVERIFY2(report.contains(why), qPrintable(report));
        static const QRegularExpression bareNumber(
            QStringLiteral("(errno|error|code)\\s*[:=#]?\\s*-?\\d+"),
            QRegularExpression::CaseInsensitiveOption);
        QVERIFY2(!bareNumber.match(report).hasMatch(), qPrintable(report));
    }
    void expectNoFailure()
    {
        QVERIFY2(m_reports.isEmpty(), qPrintable(m_reports.join(u'\n')));
        QCOMPARE(m_ends, 0);
    }

    enum class Editor { NeverOpened, Closed, StillOpen };

    // Opens the name editor on the selected player, types `text`, lets the
    // fault happen and submits. Tells whether the editor closed, as after a
    // complete submit, or stayed open because a step failed.
    static Editor submitName(Form1 &window, const QString &text, const std::function<void()> &fault)
    {
        bool stillOpen = false;
        const bool ran = RunModal(window.Command1, [&](QDialog *d) {
            auto *editor = qobject_cast<frmname *>(d);
            editor->txtname->setText(text);
            fault();
            QTest::mouseClick(editor->cmdsave, Qt::LeftButton);
            stillOpen = editor->isVisible();
        });
        return !ran ? Editor::NeverOpened : stillOpen ? Editor::StillOpen : Editor::Closed;
    }
    static Editor submitMacro(Form1 &window, int k, const QString &text,
                              const std::function<void()> &fault)
    {
        bool stillOpen = false;
        const bool ran = RunModal(window.Command2, [&](QDialog *d) {
            auto *editor = qobject_cast<Form2 *>(d);
            editor->txtmacro[static_cast<std::size_t>(k)]->setText(text);
            fault();
            QTest::mouseClick(editor->cmdsave, Qt::LeftButton);
            stillOpen = editor->isVisible();
        });
        return !ran ? Editor::NeverOpened : stillOpen ? Editor::StillOpen : Editor::Closed;
    }

    // On Wayland only the compositor activates a window, so a key sent to
    // one reaches nothing.
    static bool keysReachTheWindow()
    {
        return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    }

    // Presses Ctrl+Z in the shown window; `answer` gets the message box it brings.
    template <typename Answer> static auto pressCtrlZ(Form1 &window, Answer answer)
    {
        // Ctrl+Z reaches only the active window; a closed dialog leaves none.
        window.activateWindow();
        static_cast<void>(QTest::qWaitForWindowActive(&window));
        auto seen = answer();
        QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
        return seen;
    }

    // Starts a window the way the program does, under its failure handling.
    static bool start(Form1 &window, SystemServices &services, const std::string &settings)
    {
        bool found = false;
        auto *app = qobject_cast<Application *>(QCoreApplication::instance());
        const bool ok = app->runGuarded([&] { found = window.Form_Load(services, settings); });
        return ok && found;
    }

private slots:
    void init()
    {
        m_reports.clear();
        m_ends = 0;
        // A new policy also forgets the failures of the case before.
        auto *app = qobject_cast<Application *>(QCoreApplication::instance());
        QVERIFY(app);
        app->setFailurePolicy(
            {[this](const QString &message) { m_reports << message; }, [this] { ++m_ends; }});
    }

    // --- the player file ---------------------------------------------------

    void deletedBeforeASubmitIsReportedAndNotMadeAgain()
    {
        for (const bool macros : {false, true}) {
            init();
            SampleGame game;
            Form1 window;
            QVERIFY(game.load(window));
            window.List1->setCurrentRow(2);
            const QStringList listed = names(window);
            const QStringList shown = captions(window);
            const auto remove = [&] { QVERIFY(QFile::remove(game.playerFile())); };
            const Editor editor = macros ? submitMacro(window, 3, QStringLiteral("GG"), remove)
                                         : submitName(window, QStringLiteral("Zoë"), remove);
            QCOMPARE(editor, Editor::StillOpen); // the steps after the failing write never ran
            expectOneFailure(game.playerFile(), reason(Failure::NoFile));
            QVERIFY(!QFile::exists(game.playerFile()));
            QCOMPARE(names(window), listed);
            QCOMPARE(captions(window), shown);
        }
    }

    void aFailureInsideASubmitsSelectionEndsEveryStep()
    {
        SampleGame game;
        Form1 window;
        QVERIFY(game.load(window));
        window.List1->setCurrentRow(2);
        const QStringList shown = captions(window);
        // The file is gone once the names are read back, before the selection
        // that the Submit sets off reads player 2's macros: it is removed as
        // the selection changes, which comes before the selection's handling,
        // once the reading of the names has closed the file (Windows deletes
        // no file that a reading holds open).
        bool namesRead = false;
        const auto removeAfterTheNames = [&] {
            QObject::connect(window.List1->model(), &QAbstractItemModel::rowsInserted, &window,
                             [&](const QModelIndex &, int first) { namesRead = first == 3; });
            QObject::connect(window.List1, &QListWidget::currentItemChanged, &window, [&] {
                if (namesRead)
                    QFile::remove(game.playerFile());
            });
        };
        QCOMPARE(submitName(window, QStringLiteral("Zoë"), removeAfterTheNames), Editor::StillOpen);
        expectOneFailure(game.playerFile(), reason(Failure::NoFile));
        QCOMPARE(names(window).at(2), QStringLiteral("Zoë"));
        QCOMPARE(captions(window), shown);

        // Nothing runs afterwards: no selection, no macros editor.
        StrayModalCloser closer;
        window.List1->setCurrentRow(1);
        QTest::mouseClick(window.Command2, Qt::LeftButton);
        QVERIFY(!closer.opened);
        QCOMPARE(m_reports.size(), 1);
        QCOMPARE(captions(window), shown);
    }

    void deletedBeforeTheMacrosEditorOpens()
    {
        SampleGame game;
        Form1 window;
        QVERIFY(game.load(window));
        QVERIFY(QFile::remove(game.playerFile()));
        StrayModalCloser closer;
        QTest::mouseClick(window.Command2, Qt::LeftButton);
        QVERIFY(!closer.opened);
        expectOneFailure(game.playerFile(), reason(Failure::NoFile));
        QVERIFY(!QFile::exists(game.playerFile()));
    }

    void readOnlyIsRefusedByEveryWrite_data()
    {
        QTest::addColumn<QString>("write");
        QTest::addColumn<bool>("asOrdinaryUser");
        // Root passes over permission bits; the editor does not.
        for (const bool ordinary : {false, true}) {
            for (const char *write : {"name", "macros", "Ctrl+Z"})
                QTest::addRow("%s, %s", write, ordinary ? "as an ordinary user" : "as root")
                    << QString::fromLatin1(write) << ordinary;
        }
    }
    void readOnlyIsRefusedByEveryWrite()
    {
        QFETCH(QString, write);
        QFETCH(bool, asOrdinaryUser);
        SampleGame game;
        Form1 window;
        QVERIFY(game.load(window));
        window.List1->setCurrentRow(1);
        const bool undo = write == QStringLiteral("Ctrl+Z");
        if (undo && !keysReachTheWindow())
            QSKIP("Ctrl+Z goes to the active window, and only the compositor activates one");
        if (undo) {
            QVERIFY(ShowAndActivate(window));
            QCOMPARE(submitName(window, QStringLiteral("Ann"), [] {}), Editor::Closed);
            expectNoFailure();
        }
        const QByteArray before = game.bytes();
        const QStringList listed = names(window);
        std::optional<AsOrdinaryUser> ordinary;
        if (asOrdinaryUser) {
            ordinary.emplace();
            if (!AsOrdinaryUser::permissionsHold(QFileInfo(game.playerFile()).path()))
                QSKIP("Permission bits cannot refuse a write here (privileged user whose "
                      "CAP_DAC_OVERRIDE cannot be dropped)");
        }
        const auto makeReadOnly = [&] {
            QVERIFY(QFile::setPermissions(game.playerFile(),
                                          QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        };
        if (undo) {
            makeReadOnly();
            const auto question = pressCtrlZ(
                window, [] { return AnswerNextQuestion(ClickButton(QMessageBox::Yes)); });
            QVERIFY(question->asked);
        } else {
            const Editor editor = write == QStringLiteral("macros")
                                      ? submitMacro(window, 0, QStringLiteral("GG"), makeReadOnly)
                                      : submitName(window, QStringLiteral("Bea"), makeReadOnly);
            QCOMPARE(editor, Editor::StillOpen);
        }
        // The same words for every write and every user.
        expectOneFailure(game.playerFile(), QStringLiteral("Cannot open for writing \"%1\": the "
                                                           "file is read-only")
                                                .arg(game.playerFile()));
        QCOMPARE(game.bytes(), before);
        QCOMPARE(names(window), listed);

        // A read-only file can still be looked at.
        init();
        window.List1->setCurrentRow(3);
        expectNoFailure();
        QCOMPARE(captions(window).at(0), QStringLiteral("Last slot speaking"));
    }

#ifdef Q_OS_WIN
    void refusedUnderProgramFilesSaysHowToWriteIt()
    {
        // Windows refuses an ordinary user there. Wine refuses no ordinary
        // user, nor a read-only file to root; it refuses a folder in the
        // file's place with the same "access denied".
        const ProtectedGame game;
        if (!game.isValid())
            QSKIP("Program Files (x86) cannot be written here");
        const QTemporaryDir backups;
        Form1 window;
        window.copyOptions().backupRoot = backups.path();
        window.copyOptions().gameRunning = [] { return false; };
        StandInServices services(game.folder());
        QVERIFY(start(window, services, "unused.cfg"));
        const auto refuse = [&] {
            QVERIFY(QFile::remove(game.installedFile()));
            QVERIFY(QDir().mkdir(game.installedFile()));
        };
        QCOMPARE(submitName(window, QStringLiteral("Ann"), refuse), Editor::StillOpen);
        // A folder in the file's place is "access denied" on Windows.
        expectOneFailure(QDir::toNativeSeparators(game.installedFile()), reason(Failure::IsFolder));
        QVERIFY2(m_reports.first().contains(
                     QStringLiteral("Windows protects the folder %1: ")
                         .arg(QDir::toNativeSeparators(QFileInfo(game.installedFile()).path()))),
                 qPrintable(m_reports.first()));
        QVERIFY(QDir(game.installedFile()).isEmpty());
    }
#endif

    void replacedByAFolderOrAFifo()
    {
        // Before a selection, and before a name's submit. A FIFO would keep
        // the opening waiting for its other end: it is refused at once.
        const auto folder = [](const QString &path) { return QDir().mkdir(path); };
#ifndef _WIN32
        const auto fifo = [](const QString &path) {
            return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
        };
        const std::pair<std::function<bool(const QString &)>, QString> kinds[] = {
            {folder, reason(Failure::IsFolder)},
            { fifo,
              QStringLiteral("not a regular file (a FIFO)") }};
#else
        const std::pair<std::function<bool(const QString &)>, QString> kinds[] = {
            {folder, reason(Failure::IsFolder)}};
#endif
        for (const auto &[make, why] : kinds) {
            for (const bool submit : {false, true}) {
                init();
                SampleGame game;
                Form1 window;
                QVERIFY(game.load(window));
                const QStringList shown = captions(window);
                const auto replace = [&] {
                    QVERIFY(QFile::remove(game.playerFile()));
                    QVERIFY(make(game.playerFile()));
                };
                if (submit) {
                    QCOMPARE(submitName(window, QStringLiteral("Ann"), replace), Editor::StillOpen);
                } else {
                    replace();
                    window.List1->setCurrentRow(2);
                }
                expectOneFailure(game.playerFile(), why);
                QCOMPARE(captions(window), shown);
                const QFileInfo left(game.playerFile());
                QVERIFY(left.exists() && !left.isFile());
                if (left.isDir())
                    QVERIFY(QDir(game.playerFile())
                                .isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                         QDir::System));
            }
        }
    }

#ifndef _WIN32
    // What else may stand at the names of the editor's own files among the
    // copies: each is refused at once, without waiting on it or reading it whole.
    void plantedAmongTheCopies_data()
    {
        QTest::addColumn<bool>("atTheStepRecord");
        QTest::addColumn<bool>("fifo");
        for (const bool step : {false, true}) {
            for (const bool fifo : {true, false})
                QTest::addRow("%s at %s", fifo ? "a FIFO" : "a link to /dev/zero",
                              step ? "a step record" : "game-folder.txt")
                    << step << fifo;
        }
    }
    void plantedAmongTheCopies()
    {
        QFETCH(bool, atTheStepRecord);
        QFETCH(bool, fifo);
        SampleGame game;
        QVERIFY(QFile::setPermissions(game.playerFile(), QFile::ReadOwner | QFile::WriteOwner));
        Form1 window;
        QVERIFY(game.load(window));
        QVERIFY(ShowAndActivate(window));
        window.List1->setCurrentRow(1);
        QCOMPARE(submitName(window, QStringLiteral("Ann"), []{}), Editor::Closed);
        const QString folder = window.changes().store().folder();
        const QList<BackupCopy> copies = window.changes().store().copies();
        QCOMPARE(copies.size(), 1);
        // The copies are as private as the player file they hold.
        const QString record = folder + QStringLiteral("/game-folder.txt");
        for (const QString &path : {copies[0].path, copies[0].recordPath(), record}) {
            struct stat info
            {
            };
            QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
            QCOMPARE(info.st_mode & 0777, 0600u);
        }

        const QString planted = atTheStepRecord ? copies[0].recordPath() : record;
        QVERIFY(QFile::remove(planted));
        QVERIFY(fifo ? ::mkfifo(QFile::encodeName(planted).constData(), 0600) == 0
                     : QFile::link(QStringLiteral("/dev/zero"), planted));
        const QByteArray before = game.bytes();
        if (atTheStepRecord) {
            if (!keysReachTheWindow())
                QSKIP("Ctrl+Z goes to the active window, and only the compositor activates one");
            // Ctrl+Z says the record cannot be read, and puts nothing back.
            const auto told = pressCtrlZ(window, [] { return AnswerNextMessageBox(); });
            QVERIFY2(told->startsWith(QStringLiteral("Nothing was put back")), qPrintable(*told));
            QVERIFY2(told->contains(QDir::toNativeSeparators(copies[0].path)), qPrintable(*told));
            QCOMPARE(game.bytes(), before);
        } else {
            // A folder whose record names no one is no one's: the copies go
            // to a folder of their own, and the write goes through.
            QCOMPARE(submitName(window, QStringLiteral("Bea"), []{}), Editor::Closed);
            QCOMPARE(game.bytes(), patched(NameAt(1), QByteArray("Bea\0\0", 5), before));
            const QString other = window.changes().store().folder();
            QVERIFY(other != folder);
            QCOMPARE(readBytes(other + QStringLiteral("/game-folder.txt")),
                     QByteArray::fromStdString(GameFolder + '\n'));
        }
        expectNoFailure();
        const QFileInfo left(planted);
        QVERIFY(left.exists() && !left.isFile()); // left as it was
        QCOMPARE(left.isSymLink(), !fifo);
    }
#endif

    // A write cut off by a kill leaves a temporary file; the next start
    // removes those of a day ago, and nothing else.
    void leftoversOfAKillAreRemovedAtStart()
    {
        SampleGame game;
        const QString copies = BackupStore(game.backupRoot(), game.folder()).folder();
        QVERIFY(QDir().mkpath(copies));
        const QString gameFolder = fromPath(game.folder());
        const auto make = [](const QString &path, int daysAgo) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x", 1) == 1 && file.flush());
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addDays(-daysAgo),
                                     QFileDevice::FileModificationTime));
        };
        const QString stale = QStringLiteral(".~0123456789abcdef");
        const QString fresh = QStringLiteral(".~fedcba9876543210");
        make(gameFolder + QStringLiteral("/kvxplr.sav") + stale, 2);
        make(gameFolder + QStringLiteral("/kvxplr.sav") + fresh, 0);
        make(gameFolder + QStringLiteral("/game.ini") + stale, 2); // the game's, perhaps
        make(copies + QStringLiteral("/2026-12-09 12.03.04.123 name of player 1.step") + stale, 2);
        make(copies + QStringLiteral("/2026-12-09 12.03.04.123 name of player 1.sav") + fresh, 0);
        make(copies + QStringLiteral("/notes.txt"), 2);
        Form1 window;
        QVERIFY(game.load(window));
        const auto names = [](const QString &folder) {
            return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        };
        QCOMPARE(names(gameFolder),
                 QStringList({QStringLiteral("game.ini") + stale, QStringLiteral("kvxplr.sav"),
                              QStringLiteral("kvxplr.sav") + fresh}));
        QCOMPARE(
            names(copies),
            QStringList({QStringLiteral("2026-12-09 12.03.04.123 name of player 1.sav") + fresh,
                         QStringLiteral("notes.txt")}));
    }

    void cutShorterThanASlotNeedsIsRefusedNotLengthened()
    {
        SampleGame game;
        Form1 window;
        QVERIFY(game.load(window));
        // Slot 2's name is whole, its macros are gone; slot 3 is gone.
        const QByteArray cut = SampleGame::originalBytes().left(60000);
        QVERIFY(writeBytes(game.playerFile(), cut));
        window.List1->setCurrentRow(2);
        expectNoFailure();
        QCOMPARE(captions(window), QStringList(10, QString()));

        QCOMPARE(submitMacro(window, 3, QStringLiteral("GG"), [] {}), Editor::StillOpen);
        expectOneFailure(game.playerFile(), QStringLiteral("60000 bytes long"));
        QVERIFY2(m_reports.first().contains(QStringLiteral("60716 bytes")),
                 qPrintable(m_reports.first()));
        QCOMPARE(game.bytes(), cut);

        init();
        window.List1->setCurrentRow(3);
        QCOMPARE(submitName(window, QStringLiteral("Ann"), [] {}), Editor::StillOpen);
        expectOneFailure(game.playerFile(), QStringLiteral("60000 bytes long"));
        QCOMPARE(game.bytes(), cut);
    }

    void aNameCutInsideItsFieldIsWrittenOnlyWhenItFits()
    {
        SampleGame game;
        Form1 window;
        QVERIFY(game.load(window));
        window.List1->setCurrentRow(2);
        // Three bytes of "Renée Strauß" left: "Zoë" and its two zero bytes
        // need five.
        const QByteArray cut = SampleGame::originalBytes().left(NameAt(2) + 3);
        QVERIFY(writeBytes(game.playerFile(), cut));
        QCOMPARE(submitName(window, QStringLiteral("Zoë"), [] {}), Editor::StillOpen);
        expectOneFailure(game.playerFile(), QStringLiteral("%1 bytes long").arg(cut.size()));
        QCOMPARE(game.bytes(), cut);

        // Five bytes left: the write fits exactly and the length stays.
        init();
        const QByteArray fits = SampleGame::originalBytes().left(NameAt(2) + 5);
        QVERIFY(writeBytes(game.playerFile(), fits));
        QCOMPARE(submitName(window, QStringLiteral("Zoë"), [] {}), Editor::Closed);
        expectNoFailure();
        QCOMPARE(game.bytes(), patched(NameAt(2), Cp(u"Zo\u00EB") + QByteArray(2, '\0'), fits));
        QCOMPARE(names(window).at(2), QStringLiteral("Zoë"));
    }

    void aFileShorterThanItsFieldsListsWhatItHolds()
    {
        for (const int length : {0, 10, NameAt(0) + 4, MacroAt(0, 1) + 5}) {
            init();
            SampleGame game;
            const QByteArray cut = SampleGame::originalBytes().left(length);
            QVERIFY(writeBytes(game.playerFile(), cut));
            Form1 window;
            QVERIFY(game.load(window));
            expectNoFailure();
            const QString first =
                QStringLiteral("Maximilian Vogt").left(std::max(0, length - NameAt(0)));
            QCOMPARE(names(window), QStringList({first, QString(), QString(), QString()}));
            QCOMPARE(captions(window).at(0),
                     length > MacroAt(0, 0) ? QStringLiteral("Hello from slot 0!") : QString());
            QCOMPARE(captions(window).at(1),
                     length > MacroAt(0, 1) ? QStringLiteral("ABCDE") : QString());
            QCOMPARE(game.bytes(), cut);
        }
    }

    void itsFolderRemoved()
    {
        for (const bool submit : {false, true}) {
            init();
            SampleGame game;
            Form1 window;
            QVERIFY(game.load(window));
            const QString folder = QFileInfo(game.playerFile()).path();
            const auto remove = [&] { QVERIFY(QDir(folder).removeRecursively()); };
            if (submit) {
                QCOMPARE(submitName(window, QStringLiteral("Ann"), remove), Editor::StillOpen);
            } else {
                remove();
                window.List1->setCurrentRow(1);
            }
            // Windows may keep a folder that a program watches (the main
            // window watches the game folder) until the program lets go of
            // it; Wine does. Then only the file is gone so far.
            const bool folderGone = !QFileInfo::exists(folder);
#ifndef _WIN32
            QVERIFY(folderGone);
#endif
            expectOneFailure(game.playerFile(),
                             reason(folderGone ? Failure::NoFolder : Failure::NoFile));
            QVERIFY(!QFileInfo::exists(game.playerFile()));
        }
    }

    void aCharacterBeyondU_FFFFIsNamedAsTyped()
    {
        // The refusal itself is tested with the editors; here the character
        // is one that takes two UTF-16 units.
        SampleGame game;
        Form1 window;
        QVERIFY(game.load(window));
        std::shared_ptr<QString> message;
        const Editor editor =
            submitName(window, QStringLiteral("Ann 😀"), [&] { message = AnswerNextMessageBox(); });
        QCOMPARE(editor, Editor::StillOpen);
        QVERIFY2(message->contains(QStringLiteral("😀 (U+1F600)")), qPrintable(*message));
        expectNoFailure();
        QCOMPARE(game.bytes(), SampleGame::originalBytes());
    }

    // --- the settings file -------------------------------------------------

    void settingsFileSpellings_data()
    {
        QTest::addColumn<QByteArray>("content"); // "@" stands for the game folder
        QTest::addColumn<int>("dialogs");
        QTest::addColumn<QByteArray>("after");

        QTest::newRow("CRLF line ends")
            << QByteArray("[KORVAX]\r\npath=@\r\n") << 0 << QByteArray("[KORVAX]\r\npath=@\r\n");
        QTest::newRow("no trailing newline")
            << QByteArray("[KORVAX]\r\nPath=@") << 0 << QByteArray("[KORVAX]\r\nPath=@");
        QTest::newRow("duplicate sections, the first counts")
            << QByteArray("[KORVAX]\npath=@\n[KORVAX]\npath=/nowhere\n") << 0
            << QByteArray("[KORVAX]\npath=@\n[KORVAX]\npath=/nowhere\n");
        QTest::newRow("duplicate sections, the first one empty")
            << QByteArray("[korvax]\npath=\n[KORVAX]\npath=/nowhere\n") << 1
            << QByteArray("[korvax]\npath=@\n[KORVAX]\npath=/nowhere\n");
        QTest::newRow("no settings file")
            << QByteArray() << 1 << QByteArray("[KORVAX]\r\npath=@\r\n");
    }

    void settingsFileSpellings()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, dialogs);
        QFETCH(QByteArray, after);
        Installation install;
        const std::string folder = install.addGame(QStringLiteral("KORVAX"));
        const QByteArray folderBytes = QByteArray::fromStdString(folder);
        if (!content.isEmpty())
            QVERIFY(writeBytes(install.settingsFile, content.replace('@', folderBytes)));

        StandInServices services("", folder);
        Form1 window;
        QVERIFY(start(window, services, install.settings()));
        expectNoFailure();
        QCOMPARE(services.dialogs, dialogs);
        QCOMPARE(QByteArray::fromStdString(GameFolder), folderBytes);
        QCOMPARE(names(window).at(1), QStringLiteral("Black&Gold"));
        QByteArray stored = readBytes(install.settingsFile);
#ifdef _WIN32
        // Windows' own writer rewrites the whole file with its line ends.
        stored.replace("\r\n", "\n");
        after.replace("\r\n", "\n");
#endif
        QCOMPARE(stored, after.replace('@', folderBytes));
        QCOMPARE(readBytes(fromPath(PlayerFilePath(folder))), SampleGame::originalBytes());
    }

    void settingsFileWithBinaryGarbage()
    {
        Installation install;
        const std::string folder = install.addGame(QStringLiteral("KORVAX"));
        QByteArray garbage("\x89PNG\r\n\x1a\n\0\xff[KOR\0VAX]\rpath\0=x\xfe", 24);
        QVERIFY(writeBytes(install.settingsFile, garbage));

        StandInServices services("", folder);
        Form1 window;
        QVERIFY(start(window, services, install.settings()));
        expectNoFailure();
        QCOMPARE(services.dialogs, 1);
        QCOMPARE(GameFolder, folder);
        // The garbage stays as it was; the folder is added behind it. (What
        // Windows' own writer keeps of bytes it cannot read is its own.)
        const QByteArray stored = readBytes(install.settingsFile);
#ifndef _WIN32
        QVERIFY(stored.startsWith(garbage));
#endif
        QVERIFY(stored.endsWith("[KORVAX]\r\npath=" + QByteArray::fromStdString(folder) + "\r\n"));

        // The next start finds it there.
        StandInServices again("", "");
        Form1 next;
        QVERIFY(start(next, again, install.settings()));
        QCOMPARE(again.dialogs, 0);
        QCOMPARE(GameFolder, folder);
        QCOMPARE(readBytes(install.settingsFile), stored);
        QCOMPARE(readBytes(fromPath(PlayerFilePath(folder))), SampleGame::originalBytes());
    }

    void settingsValueOf300Characters()
    {
        // A value is read to at most 254 characters, so the folder is that
        // cut; the first opening of the player file then names it.
        Installation install;
        const std::string value =
            QFile::encodeName(install.root.path()).toStdString() + "/" + std::string(300, 'k');
        const QByteArray content = "[KORVAX]\r\npath=" + QByteArray::fromStdString(value) + "\r\n";
        QVERIFY(writeBytes(install.settingsFile, content));

        StandInServices services("", "");
        Form1 window;
        QVERIFY(!start(window, services, install.settings()));
        QCOMPARE(services.dialogs, 0);
        QCOMPARE(GameFolder, value.substr(0, 254));
        expectOneFailure(fromPath(PlayerFilePath(value.substr(0, 254))),
                         reason(Failure::NoFileAtLongPath));
        QCOMPARE(window.List1->count(), 0);
        QCOMPARE(readBytes(install.settingsFile), content);
    }

    void settingsFileUnwritableUsesTheAnswerForThisRun_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("settings file is a folder") << QStringLiteral("folder");
        QTest::newRow("settings file read-only") << QStringLiteral("read-only file");
        QTest::newRow("editor folder read-only") << QStringLiteral("read-only folder");
#ifndef _WIN32
        // Not settings files at all: neither read (no wait for the FIFO's
        // writer, no memory filled from the device) nor written.
        QTest::newRow("settings file is a FIFO") << QStringLiteral("fifo");
        QTest::newRow("settings file links to /dev/zero") << QStringLiteral("device");
        QTest::newRow("settings file over 1 MiB") << QStringLiteral("huge");
#endif
    }

    void settingsFileUnwritableUsesTheAnswerForThisRun()
    {
        QFETCH(QString, how);
        Installation install;
        const std::string folder = install.addGame(QStringLiteral("KORVAX"));
        const QByteArray content("[KORVAX]\r\npath=\r\n");
        const QByteArray huge = content + QByteArray(1024 * 1024, ';');
        const bool notASettingsFile = how == QStringLiteral("fifo") ||
                                      how == QStringLiteral("device") ||
                                      how == QStringLiteral("huge");
        AsOrdinaryUser ordinary;
        if (how != QStringLiteral("folder") && !notASettingsFile &&
            !AsOrdinaryUser::permissionsHold(install.editorFolder))
            QSKIP("Permission bits cannot refuse a write here (privileged user whose "
                  "CAP_DAC_OVERRIDE cannot be dropped)");
        if (how == QStringLiteral("folder")) {
            QVERIFY(QDir().mkdir(install.settingsFile));
        } else if (how == QStringLiteral("read-only file")) {
            QVERIFY(writeBytes(install.settingsFile, content));
            QVERIFY(QFile::setPermissions(install.settingsFile, QFile::ReadOwner));
#ifndef _WIN32
        } else if (how == QStringLiteral("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(install.settingsFile).constData(), 0600), 0);
        } else if (how == QStringLiteral("device")) {
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), install.settingsFile));
        } else if (how == QStringLiteral("huge")) {
            QVERIFY(writeBytes(install.settingsFile, huge));
#endif
        } else {
            QVERIFY(
                QFile::setPermissions(install.editorFolder, QFile::ReadOwner | QFile::ExeOwner));
        }

        StandInServices services("", folder);
        Form1 window;
        const bool started = start(window, services, install.settings());
        QFile::setPermissions(install.editorFolder,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(started);
        expectNoFailure();
        QCOMPARE(services.dialogs, 1);
        QCOMPARE(GameFolder, folder);
        QCOMPARE(names(window).at(0), QStringLiteral("Maximilian Vogt"));
        const QFileInfo settings(install.settingsFile);
        if (how == QStringLiteral("read-only file"))
            QCOMPARE(readBytes(install.settingsFile), content);
        else if (how == QStringLiteral("huge"))
            QVERIFY(readBytes(install.settingsFile) == huge);
        else if (how == QStringLiteral("folder"))
            QVERIFY(settings.isDir());
        else if (how == QStringLiteral("fifo") || how == QStringLiteral("device"))
            QVERIFY(settings.exists() && !settings.isFile() && !settings.isDir());
        else
            QVERIFY(!settings.exists());
        // The file or the link itself is listed, and no temporary beside it.
        const bool fileLeft = how == QStringLiteral("read-only file") ||
                              how == QStringLiteral("huge") || how == QStringLiteral("device");
        QCOMPARE(QDir(install.editorFolder).entryList(QDir::Files | QDir::Hidden).size(),
                 fileLeft ? 1 : 0);
    }

    // --- unusual game folders ----------------------------------------------

    void gameFolderSpellings_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("spelling"); // as the dialog gives it
        QTest::newRow("spaces") << QStringLiteral("My Games/KORVAX Gold Edition") << QString();
        QTest::newRow("trailing separator")
            << QStringLiteral("KORVAX") << QStringLiteral("KORVAX/");
        QTest::newRow("é and ß") << QStringLiteral("Spiele/Größe é") << QString();
        QTest::newRow("CJK") << QStringLiteral("ゲーム/游戏 코르박스") << QString();
    }

    void gameFolderSpellings()
    {
        QFETCH(QString, folder);
        QFETCH(QString, spelling);
#ifdef _WIN32
        if (QString::fromLocal8Bit(folder.toLocal8Bit()) != folder)
            QSKIP("A program of the ANSI calls cannot name a folder outside the system code page");
#endif
        Installation install;
        const std::string gameFolder = install.addGame(folder, spelling);
        const QString playerFile = fromPath(PlayerFilePath(gameFolder));

        // The folder goes through the settings file and comes back whole.
        StandInServices services("", gameFolder);
        Form1 window;
        const QTemporaryDir backups;
        window.copyOptions().backupRoot = backups.path();
        window.copyOptions().gameRunning = [] { return false; };
        QVERIFY(start(window, services, install.settings()));
        QCOMPARE(GameFolder, gameFolder);
        QVERIFY(ShowAndActivate(window));
        QCOMPARE(names(window).at(2), QStringLiteral("Renée Strauß"));
        window.List1->setCurrentRow(2);
        QCOMPARE(captions(window).at(0), QStringLiteral("Regroup at the gate"));

        QCOMPARE(submitName(window, QStringLiteral("Zoë"), [] {}), Editor::Closed);
        QCOMPARE(submitMacro(window, 3, QStringLiteral("GG"), [] {}), Editor::Closed);
        expectNoFailure();
        QByteArray expected = patched(NameAt(2), Cp(u"Zo\u00EB") + QByteArray(2, '\0'));
        expected = patched(MacroAt(2, 3), MacroField(u"GG"), expected);
        QCOMPARE(readBytes(playerFile), expected);
        QCOMPARE(names(window).at(2), QStringLiteral("Zoë"));
        QCOMPARE(captions(window).at(3), QStringLiteral("GG"));

        // A failure there names the folder as the user knows it.
        QVERIFY(QFile::remove(playerFile));
        window.List1->setCurrentRow(1);
        expectOneFailure(playerFile, reason(Failure::NoFile));
    }
};

int main(int argc, char **argv)
{
    Application app(argc, argv);
    RegisterFontSubstitutes();
    TestFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_faults.moc"
