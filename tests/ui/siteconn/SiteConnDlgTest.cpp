// The site connection dialog (offscreen): its texts, the layout of each connection type, the
// checks of OK with their messages, the browse dialogs and the runner the site logic uses.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "UiTestMain.h"
#include "sites/IUserPrompt.h"
#include "store/IString.h"
#include "store/SiteRecord.h"
#include "ui/siteconn/CSiteConnDlg.h"

namespace zl {

namespace {

struct RecordingPrompt : IUserPrompt {
    int ShowMessage(unsigned id, PromptButtons) override {
        ids.push_back(id);
        return kAnswerOk;
    }
    int AskText(const std::string&, PromptButtons) override { return kAnswerOk; }
    std::vector<unsigned> ids;
};

class SiteConnDlg : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { IString::Instance()->SetFile(ZL_TEST_LANG_FILE); }
    void SetUp() override {
        dlg = std::make_unique<CSiteConnDlg>();
        dlg->SetPrompt(&prompt);
        dlg->SetSiteList(&sites);
    }
    void Open() {
        dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    }
    template <typename W>
    W* C(int id) const {
        return qobject_cast<W*>(dlg->Control(id));
    }
    QString Str(unsigned id) const {
        return QString::fromUtf8(IString::Instance()->LoadStringA(id));
    }
    void ChooseType(int type) {
        C<QComboBox>(kIdTypeCombo)->setCurrentIndex(type);
        emit C<QComboBox>(kIdTypeCombo)->activated(type);
    }
    void PressOk() { QTest::mouseClick(C<QPushButton>(kIdOk), Qt::LeftButton); }
    bool Closed() const { return dlg->isHidden() && dlg->result() == QDialog::Accepted; }

    RecordingPrompt prompt;
    std::vector<SiteRecord> sites;
    std::unique_ptr<CSiteConnDlg> dlg;
};

TEST_F(SiteConnDlg, OpensWithTheComputersAddressPort700AndTranslatedTexts) {
    Open();
    const QString own = CSiteConnDlg::LocalHostAddress();
    EXPECT_EQ(own.count('.'), 3);
    EXPECT_EQ(C<QLineEdit>(kIdAddressEdit)->text(), own);
    EXPECT_EQ(C<QLineEdit>(kIdAddressMirror)->text(), own);
    EXPECT_EQ(C<QLineEdit>(kIdPortEdit)->text(), "700");
    EXPECT_EQ(dlg->windowTitle(), Str(28));
    const std::vector<std::pair<int, unsigned>> texts = {
        {kIdAddressLabel, 29}, {kIdPortLabel, 30},      {kIdLocalPathLabel, 54},
        {kIdUserLabel, 100},   {kIdPasswordLabel, 101}, {kIdTypeLabel, 120}};
    for (const auto& [id, text] : texts) EXPECT_EQ(C<QLabel>(id)->text(), Str(text)) << id;
    EXPECT_EQ(C<QPushButton>(kIdBrowse)->text(), Str(55));
    EXPECT_EQ(C<QCheckBox>(kIdAnonymous)->text(), Str(102));
    EXPECT_EQ(C<QRadioButton>(kIdLocalRadio)->text(), Str(52));
    EXPECT_EQ(C<QRadioButton>(kIdRemoteRadio)->text(), Str(53));
    QComboBox* combo = C<QComboBox>(kIdTypeCombo);
    ASSERT_EQ(combo->count(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(combo->itemText(i), Str(121 + i));
    EXPECT_EQ(combo->currentIndex(), 0);
    for (int hidden : {kIdAnonymous, kIdAddressMirror, kIdLocalRadio, kIdRemoteRadio})
        EXPECT_TRUE(dlg->Control(hidden)->isHidden()) << hidden;
}

TEST_F(SiteConnDlg, CallersAddressIsKeptWhenGiven) {
    dlg->m_strAddress = "10.0.0.9";
    dlg->m_strUserName = "ann";
    dlg->m_strPassword = "pw";
    Open();
    EXPECT_EQ(C<QLineEdit>(kIdAddressEdit)->text(), "10.0.0.9");
    EXPECT_EQ(C<QLineEdit>(kIdUserEdit)->text(), "ann");
    EXPECT_EQ(C<QLineEdit>(kIdPasswordEdit)->text(), "pw");
    EXPECT_EQ(C<QLineEdit>(kIdPasswordEdit)->echoMode(), QLineEdit::Password);
}

// A log-in retry opens the dialog with the port the user typed, not the type's usual one.
TEST_F(SiteConnDlg, CallersPortIsKeptForEveryConnectionType) {
    dlg->m_strAddress = "10.0.0.9";
    dlg->m_strPort = "8080";
    dlg->m_nConnectionType = 1;  // device
    Open();
    EXPECT_EQ(C<QLineEdit>(kIdPortEdit)->text(), "8080");
    ChooseType(0);  // choosing a type afterwards still lays its usual port out
    EXPECT_EQ(C<QLineEdit>(kIdPortEdit)->text(), "700");
}

struct LayoutCase {
    int type;
    const char* port;    // nullptr: not changed by the layout
    unsigned pathLabel;  // 0: not changed
    bool pathIsInstall;  // the path edit shows the install folder (else empty)
};

TEST_F(SiteConnDlg, EachConnectionTypeHasItsLayout) {
    Open();
    const std::vector<int> remoteIds = {
        kIdAddressEdit,   kIdPortEdit, kIdAddressLabel, kIdPortLabel, kIdUserLabel,
        kIdPasswordLabel, kIdUserEdit, kIdPasswordEdit, kIdAnonymous, kIdAddressMirror};
    const std::vector<int> localIds = {kIdBrowse, kIdLocalPathLabel, kIdLocalPathEdit};
    const std::vector<LayoutCase> cases = {
        {kConnTypeDevice, "80", 0, false},
        {kConnTypeFolder, nullptr, 57, true},
        {kConnTypeFile, nullptr, 54, false},
        {kConnTypeServer, "700", 0, false},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.type);
        C<QLineEdit>(kIdPortEdit)->setText("1234");  // whatever was typed
        C<QLineEdit>(kIdLocalPathEdit)->setText("typed");
        ChooseType(c.type);
        const bool remote = c.type <= kConnTypeDevice;
        for (int id : remoteIds) EXPECT_EQ(dlg->Control(id)->isEnabled(), remote) << id;
        for (int id : localIds) EXPECT_EQ(dlg->Control(id)->isEnabled(), !remote) << id;
        EXPECT_EQ(C<QLineEdit>(kIdPortEdit)->text(), c.port ? c.port : "1234");
        if (c.pathLabel) {
            EXPECT_EQ(C<QLabel>(kIdLocalPathLabel)->text(), Str(c.pathLabel));
        }
        if (!remote) {
            EXPECT_EQ(C<QLineEdit>(kIdLocalPathEdit)->text(),
                      c.pathIsInstall ? CSiteConnDlg::InstallFolder() : QString());
        }
        EXPECT_EQ(C<QRadioButton>(kIdLocalRadio)->isChecked(), !remote);
        EXPECT_EQ(C<QRadioButton>(kIdRemoteRadio)->isChecked(), remote);
        EXPECT_EQ(dlg->m_nConnectionType, c.type);
    }
    EXPECT_EQ(CSiteConnDlg::InstallFolder(), QDir::currentPath());
}

TEST_F(SiteConnDlg, AnonymousLocksTheCredentialsButKeepsThem) {
    dlg->m_strUserName = "ann";
    Open();
    QCheckBox* anon = C<QCheckBox>(kIdAnonymous);
    anon->click();  // hidden in the dialog, but it works
    EXPECT_FALSE(C<QLineEdit>(kIdUserEdit)->isEnabled());
    EXPECT_FALSE(C<QLineEdit>(kIdPasswordEdit)->isEnabled());
    EXPECT_EQ(C<QLineEdit>(kIdUserEdit)->text(), "ann");
    ChooseType(kConnTypeDevice);  // the layout keeps them locked
    EXPECT_FALSE(C<QLineEdit>(kIdUserEdit)->isEnabled());
    anon->click();
    EXPECT_TRUE(C<QLineEdit>(kIdUserEdit)->isEnabled());
}

struct OkCase {
    const char* what;
    int type;
    const char* address;
    const char* path;
    std::vector<unsigned> messages;  // empty: the dialog closes with OK
};

TEST_F(SiteConnDlg, OkChecksTheInput) {
    SiteRecord shown;
    shown.connectionType = kConnServer;
    shown.ipAddress = "192.168.1.20";
    shown.treeItem = &shown;  // shown in the tree
    SiteRecord hidden = shown;
    hidden.ipAddress = "192.168.1.21";
    hidden.treeItem = nullptr;  // failed to connect: not shown
    SiteRecord device = shown;
    device.connectionType = kConnDevice;
    device.ipAddress = "192.168.1.22";
    sites = {shown, hidden, device};

    const std::vector<OkCase> cases = {
        {"empty folder path", kConnTypeFolder, "1.2.3.4", "", {114}},
        {"empty file path", kConnTypeFile, "1.2.3.4", "", {114}},
        {"folder", kConnTypeFolder, "", "/data", {}},
        {"empty address", kConnTypeServer, "", "", {116}},
        {"bare host name", kConnTypeServer, "shop-server", "", {116}},
        {"a dot is enough", kConnTypeServer, "1.2", "", {}},
        {"shown server site", kConnTypeServer, "192.168.1.20", "", {115}},
        {"shown server site, device", kConnTypeDevice, "192.168.1.20", "", {115}},
        {"server site not shown", kConnTypeServer, "192.168.1.21", "", {}},
        {"device site", kConnTypeServer, "192.168.1.22", "", {}},
    };
    for (const OkCase& c : cases) {
        SCOPED_TRACE(c.what);
        dlg = std::make_unique<CSiteConnDlg>();
        dlg->SetPrompt(&prompt);
        dlg->SetSiteList(&sites);
        prompt.ids.clear();
        Open();
        ChooseType(c.type);
        C<QLineEdit>(kIdAddressEdit)->setText(c.address);
        C<QLineEdit>(kIdLocalPathEdit)->setText(c.path);
        PressOk();
        EXPECT_EQ(prompt.ids, c.messages);
        EXPECT_EQ(Closed(), c.messages.empty());
        EXPECT_EQ(dlg->isVisible(), !c.messages.empty());
    }
}

TEST_F(SiteConnDlg, OkAnswersTheFieldsAndTurnsAFileIntoType2) {
    dlg->m_strPort = "700";
    dlg->m_strUserName = "caller";
    Open();
    ChooseType(kConnTypeFile);
    C<QLineEdit>(kIdLocalPathEdit)->setText("/data/PeopleCounterData/PeopleCounter.db");
    C<QLineEdit>(kIdUserEdit)->setText("typed");  // disabled for local types: not taken
    PressOk();
    ASSERT_TRUE(Closed());
    EXPECT_EQ(dlg->m_nConnectionType, kConnTypeFolder);
    EXPECT_EQ(dlg->m_strLocalPathOnOk, "/data/PeopleCounterData/PeopleCounter.db");
    EXPECT_EQ(dlg->m_strUserName, "caller");
    EXPECT_EQ(dlg->m_strPort, "700");

    dlg = std::make_unique<CSiteConnDlg>();
    dlg->SetPrompt(&prompt);
    Open();
    ChooseType(kConnTypeDevice);
    C<QLineEdit>(kIdAddressEdit)->setText("10.1.1.5");
    C<QLineEdit>(kIdUserEdit)->setText("admin");
    C<QLineEdit>(kIdPasswordEdit)->setText("pw");
    PressOk();
    ASSERT_TRUE(Closed());
    EXPECT_EQ(dlg->m_nConnectionType, kConnTypeDevice);
    EXPECT_EQ(dlg->m_strAddressOnOk, "10.1.1.5");
    EXPECT_EQ(dlg->m_strAddress, "10.1.1.5");
    EXPECT_EQ(dlg->m_strPort, "80");
    EXPECT_EQ(dlg->m_strUserName, "admin");
    EXPECT_EQ(dlg->m_strPassword, "pw");
}

TEST(SiteConnFilters, EveryCounterTypeHasItsFilterToTheLetter) {
    const std::vector<std::pair<int, const char*>> expected = {
        {1, "2D People Counter(PeopleCounter.db)|PeopleCounter.db|db files|*.db||"},
        {2, "3D People Counter(3DPeopleCounter.db)|3DPeopleCounter.db|db files|*.db||"},
        {3, "Access Counter(AccessCounter.db)|AccessCounter.db|db files|*.db||"},
        {4, "Occupancy Counter(ZoneCounter.db)|ZoneCounter.db|db files|*.db||"},
        {5, "Flow Counter(FlowCount.db)|FlowCount.db|db files|*.db||"},
        {6, "Traffic Counter(TraffucCounter.db)|TrafficCounter.db|db files|*.db||"},
        {7,
         "Queue Length Monitoring(QueueLengthMonitoring.db)|QueueLengthMonitoring.db|db "
         "files|*.db||"},
    };
    for (const auto& [type, filter] : expected) EXPECT_EQ(CSiteConnDlg::FileFilter(type), filter);
    EXPECT_TRUE(CSiteConnDlg::FileFilter(0).isEmpty());
    EXPECT_TRUE(CSiteConnDlg::FileFilter(8).isEmpty());
    EXPECT_EQ(
        CSiteConnDlg::NameFilters(6),
        (QStringList{"Traffic Counter(TraffucCounter.db) (TrafficCounter.db)", "db files (*.db)"}));
}

TEST_F(SiteConnDlg, BrowseOffersTheFolderOrTheCounterTypesFile) {
    dlg->m_nCounterType = 6;
    Open();
    EXPECT_FALSE(dlg->CreateBrowseDialog());  // remote types: nothing to browse
    ChooseType(kConnTypeFolder);
    std::unique_ptr<QFileDialog> folder = dlg->CreateBrowseDialog();
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(folder->fileMode(), QFileDialog::Directory);
    EXPECT_EQ(folder->directory().absolutePath(), CSiteConnDlg::InstallFolder());
    ChooseType(kConnTypeFile);
    std::unique_ptr<QFileDialog> file = dlg->CreateBrowseDialog();
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->nameFilters(), CSiteConnDlg::NameFilters(6));
    EXPECT_EQ(file->defaultSuffix(), "db");
    EXPECT_EQ(file->fileMode(), QFileDialog::ExistingFile);
    dlg->m_nCounterType = 9;
    EXPECT_FALSE(dlg->CreateBrowseDialog());
}

TEST_F(SiteConnDlg, BrowseButtonPutsTheChosenPathIntoThePathEdit) {
    dlg->m_nCounterType = 6;
    QStringList filtersSeen;
    QString answer = "/data/TrafficCounterData/TrafficCounter.db";
    dlg->browseRunner = [&](QFileDialog& fd) {
        filtersSeen = fd.nameFilters();
        return answer;
    };
    Open();
    QTest::mouseClick(C<QPushButton>(kIdBrowse), Qt::LeftButton);  // disabled: nothing
    EXPECT_TRUE(filtersSeen.isEmpty());
    ChooseType(kConnTypeFile);
    QTest::mouseClick(C<QPushButton>(kIdBrowse), Qt::LeftButton);
    EXPECT_EQ(filtersSeen, CSiteConnDlg::NameFilters(6));
    EXPECT_EQ(C<QLineEdit>(kIdLocalPathEdit)->text(), answer);
    answer.clear();  // cancelled: the path stays
    QTest::mouseClick(C<QPushButton>(kIdBrowse), Qt::LeftButton);
    EXPECT_EQ(C<QLineEdit>(kIdLocalPathEdit)->text(), "/data/TrafficCounterData/TrafficCounter.db");
}

TEST(SiteConnRunner, AnswersTheFieldsOnOkAndNothingOnCancel) {
    IString::Instance()->SetFile(ZL_TEST_LANG_FILE);
    RecordingPrompt prompt;
    SiteConnDialogRunner runner(nullptr, nullptr, &prompt);
    bool sawPrefill = false;
    runner.beforeRun = [&](CSiteConnDlg& d) {
        sawPrefill = d.m_strPort == "700" && d.m_strUserName == "bob" && d.m_nCounterType == 2;
        QTimer::singleShot(0, &d, [&d] {
            qobject_cast<QLineEdit*>(d.Control(kIdAddressEdit))->setText("10.2.3.4");
            qobject_cast<QLineEdit*>(d.Control(kIdPasswordEdit))->setText("secret");
            d.accept();
        });
    };
    SiteDialogFields f;
    f.userName = "bob";
    f.counterType = 2;
    ASSERT_TRUE(runner.Run(f, SiteDialogPurpose::kLoginRetry));
    EXPECT_TRUE(sawPrefill);
    EXPECT_EQ(f.connectionType, 0);
    EXPECT_EQ(f.address, "10.2.3.4");
    EXPECT_EQ(f.password, "secret");
    EXPECT_EQ(f.port, "700");

    runner.beforeRun = [](CSiteConnDlg& d) { QTimer::singleShot(0, &d, [&d] { d.reject(); }); };
    SiteDialogFields g = f;
    EXPECT_FALSE(runner.Run(g, SiteDialogPurpose::kNewSite));
    EXPECT_EQ(g.address, f.address);
}

}  // namespace

}  // namespace zl
