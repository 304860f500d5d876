#include "ui/siteconn/CSiteConnDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHostAddress>
#include <QHostInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "store/IString.h"
#include "store/SiteRecord.h"
#include "store/StringIds.h"
#include "ui/siteconn/MessagePrompt.h"

namespace zl {

namespace {

QString Text(unsigned id) {
    return QString::fromUtf8(IString::Instance()->LoadStringA(id));
}

template <typename W>
W* Make(QWidget* parent, int id, const QString& text = QString()) {
    W* w = new W(parent);
    w->setObjectName(QStringLiteral("id%1").arg(id));
    if constexpr (!std::is_same_v<W, QLineEdit> && !std::is_same_v<W, QComboBox>) {
        w->setText(text);
    }
    return w;
}

// The open-file filters per counter type, as the counting software names its files.
const char* const kFileFilters[] = {
    "2D People Counter(PeopleCounter.db)|PeopleCounter.db|db files|*.db||",
    "3D People Counter(3DPeopleCounter.db)|3DPeopleCounter.db|db files|*.db||",
    "Access Counter(AccessCounter.db)|AccessCounter.db|db files|*.db||",
    "Occupancy Counter(ZoneCounter.db)|ZoneCounter.db|db files|*.db||",
    "Flow Counter(FlowCount.db)|FlowCount.db|db files|*.db||",
    "Traffic Counter(TraffucCounter.db)|TrafficCounter.db|db files|*.db||",
    "Queue Length Monitoring(QueueLengthMonitoring.db)|QueueLengthMonitoring.db|db files|*.db||",
};

}  // namespace

CSiteConnDlg::CSiteConnDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("IP Address"));
    typeLabel_ = Make<QLabel>(this, kIdTypeLabel, QStringLiteral("Connection type:"));
    typeCombo_ = Make<QComboBox>(this, kIdTypeCombo);
    addressLabel_ = Make<QLabel>(this, kIdAddressLabel, QStringLiteral("IP:"));
    addressEdit_ = Make<QLineEdit>(this, kIdAddressEdit);
    portLabel_ = Make<QLabel>(this, kIdPortLabel, QStringLiteral("Port:"));
    portEdit_ = Make<QLineEdit>(this, kIdPortEdit);
    userLabel_ = Make<QLabel>(this, kIdUserLabel, QStringLiteral("User name:"));
    userEdit_ = Make<QLineEdit>(this, kIdUserEdit);
    passwordLabel_ = Make<QLabel>(this, kIdPasswordLabel, QStringLiteral("Password:"));
    passwordEdit_ = Make<QLineEdit>(this, kIdPasswordEdit);
    passwordEdit_->setEchoMode(QLineEdit::Password);
    anonymous_ = Make<QCheckBox>(this, kIdAnonymous, QStringLiteral("Anonymous"));
    anonymous_->hide();
    addressMirror_ = Make<QLineEdit>(this, kIdAddressMirror);
    addressMirror_->hide();
    localPathLabel_ = Make<QLabel>(this, kIdLocalPathLabel, QStringLiteral("Local Path:"));
    localPathEdit_ = Make<QLineEdit>(this, kIdLocalPathEdit);
    browse_ = Make<QPushButton>(this, kIdBrowse, QStringLiteral("Browse.."));
    browse_->setAutoDefault(false);
    localRadio_ = Make<QRadioButton>(this, kIdLocalRadio, QStringLiteral("Local"));
    remoteRadio_ = Make<QRadioButton>(this, kIdRemoteRadio, QStringLiteral("Remote"));
    localRadio_->setAutoExclusive(false);  // the layout sets both, as a pair of mirrors
    remoteRadio_->setAutoExclusive(false);
    localRadio_->hide();
    remoteRadio_->hide();
    ok_ = Make<QPushButton>(this, kIdOk, QStringLiteral("OK"));
    ok_->setDefault(true);
    cancel_ = Make<QPushButton>(this, kIdCancel, QStringLiteral("Cancel"));
    cancel_->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(typeLabel_, 0, 0);
    grid->addWidget(typeCombo_, 0, 1, 1, 2);
    grid->addWidget(addressLabel_, 1, 0);
    grid->addWidget(addressEdit_, 1, 1, 1, 2);
    grid->addWidget(portLabel_, 2, 0);
    grid->addWidget(portEdit_, 2, 1, 1, 2);
    grid->addWidget(userLabel_, 3, 0);
    grid->addWidget(userEdit_, 3, 1, 1, 2);
    grid->addWidget(passwordLabel_, 4, 0);
    grid->addWidget(passwordEdit_, 4, 1, 1, 2);
    grid->addWidget(anonymous_, 5, 1);
    grid->addWidget(localPathLabel_, 6, 0);
    grid->addWidget(localPathEdit_, 6, 1);
    grid->addWidget(browse_, 6, 2);
    grid->setColumnMinimumWidth(1, 260);
    grid->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);

    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addLayout(buttons);

    connect(typeCombo_, &QComboBox::activated, this, &CSiteConnDlg::OnTypeChanged);
    connect(anonymous_, &QCheckBox::clicked, this, &CSiteConnDlg::OnAnonymousClicked);
    connect(localRadio_, &QRadioButton::clicked, this, [this] { OnRadioClicked(true); });
    connect(remoteRadio_, &QRadioButton::clicked, this, [this] { OnRadioClicked(false); });
    connect(browse_, &QPushButton::clicked, this, &CSiteConnDlg::OnBrowse);
    connect(ok_, &QPushButton::clicked, this, &CSiteConnDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &CSiteConnDlg::reject);
}

CSiteConnDlg::~CSiteConnDlg() = default;

QWidget* CSiteConnDlg::Control(int id) const {
    return findChild<QWidget*>(QStringLiteral("id%1").arg(id));
}

void CSiteConnDlg::showEvent(QShowEvent* event) {
    Initialize();
    QDialog::showEvent(event);
}

void CSiteConnDlg::Initialize() {
    if (initialized_) return;
    initialized_ = true;
    portEdit_->setText(m_strPort);
    passwordEdit_->setText(m_strPassword);
    userEdit_->setText(m_strUserName);
    addressEdit_->setText(m_strAddress);
    if (m_strAddress.isEmpty()) {
        const QString own = LocalHostAddress();
        addressEdit_->setText(own);
        addressMirror_->setText(own);
    }

    typeCombo_->clear();
    for (unsigned id :
         {kStrConnTypeServer, kStrConnTypeDevice, kStrConnTypeFolder, kStrConnTypeFile}) {
        typeCombo_->addItem(Text(id));
    }
    typeCombo_->setCurrentIndex(m_nConnectionType);

    setWindowTitle(Text(kStrConnDlgCaption));
    addressLabel_->setText(Text(kStrConnAddressLabel));
    portLabel_->setText(Text(kStrConnPortLabel));
    localRadio_->setText(Text(kStrConnLocalRadio));
    remoteRadio_->setText(Text(kStrConnRemoteRadio));
    localPathLabel_->setText(Text(kStrConnFileLabel));
    browse_->setText(Text(kStrConnBrowse));
    userLabel_->setText(Text(kStrConnUserLabel));
    passwordLabel_->setText(Text(kStrConnPasswordLabel));
    anonymous_->setText(Text(kStrConnAnonymous));
    typeLabel_->setText(Text(kStrConnTypeLabel));

    LayOut(m_nConnectionType);
    localRadio_->setChecked(false);
    remoteRadio_->setChecked(true);
    // The layout puts the type's usual port in; the caller's port (the one typed before a
    // log-in retry) wins, so a device on 8080 is not retried on 80.
    if (!m_strPort.isEmpty()) portEdit_->setText(m_strPort);
}

void CSiteConnDlg::OnTypeChanged(int index) {
    m_nConnectionType = index;
    LayOut(m_nConnectionType);
}

void CSiteConnDlg::LayOut(int connectionType) {
    const bool remote = connectionType == kConnTypeServer || connectionType == kConnTypeDevice;
    const bool local = connectionType == kConnTypeFolder || connectionType == kConnTypeFile;
    if (!remote && !local) return;

    for (QWidget* w : {static_cast<QWidget*>(addressEdit_), static_cast<QWidget*>(portEdit_),
                       static_cast<QWidget*>(addressLabel_), static_cast<QWidget*>(portLabel_),
                       static_cast<QWidget*>(addressMirror_), static_cast<QWidget*>(anonymous_),
                       static_cast<QWidget*>(userLabel_), static_cast<QWidget*>(passwordLabel_)}) {
        w->setEnabled(remote);
    }
    const bool credentials = remote && !anonymous_->isChecked();
    userEdit_->setEnabled(credentials);
    passwordEdit_->setEnabled(credentials);
    browse_->setEnabled(local);
    localPathLabel_->setEnabled(local);
    localPathEdit_->setEnabled(local);

    switch (connectionType) {
        case kConnTypeServer:
            portEdit_->setText(QStringLiteral("700"));
            break;
        case kConnTypeDevice:
            portEdit_->setText(QStringLiteral("80"));
            break;
        case kConnTypeFolder:
            localPathLabel_->setText(Text(kStrConnFolderLabel));
            localPathEdit_->setText(InstallFolder());
            break;
        case kConnTypeFile:
            localPathLabel_->setText(Text(kStrConnFileLabel));
            localPathEdit_->clear();
            break;
    }
    localRadio_->setChecked(local);
    remoteRadio_->setChecked(remote);
}

void CSiteConnDlg::OnAnonymousClicked() {
    const bool locked = anonymous_->isChecked();
    userEdit_->setEnabled(!locked);
    passwordEdit_->setEnabled(!locked);
}

void CSiteConnDlg::OnRadioClicked(bool local) {
    LayOut(m_nConnectionType);
    localRadio_->setChecked(local);
    remoteRadio_->setChecked(!local);
}

QString CSiteConnDlg::InstallFolder() {
    // No installer registry here: the current directory is the folder of the counting software.
    QString folder = QDir::currentPath();
    while (folder.size() > 1 && (folder.endsWith('/') || folder.endsWith('\\'))) folder.chop(1);
    return folder;
}

QString CSiteConnDlg::LocalHostAddress() {
    const QHostInfo info = QHostInfo::fromName(QHostInfo::localHostName());
    if (info.error() == QHostInfo::NoError) {
        for (const QHostAddress& a : info.addresses()) {
            if (a.protocol() == QAbstractSocket::IPv4Protocol) return a.toString();
        }
    }
    return QStringLiteral("127.0.0.1");
}

QString CSiteConnDlg::FileFilter(int counterType) {
    if (counterType < 1 || counterType > 7) return {};
    return QString::fromLatin1(kFileFilters[counterType - 1]);
}

QStringList CSiteConnDlg::NameFilters(int counterType) {
    // "description|pattern|description|pattern||" -> "description (pattern)" per pair.
    const QStringList parts = FileFilter(counterType).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        filters << QStringLiteral("%1 (%2)").arg(parts[i], parts[i + 1]);
    }
    return filters;
}

std::unique_ptr<QFileDialog> CSiteConnDlg::CreateBrowseDialog() {
    if (m_nConnectionType == kConnTypeFolder) {
        auto dlg = std::make_unique<QFileDialog>(this, QString(), InstallFolder());
        dlg->setFileMode(QFileDialog::Directory);
        dlg->setOption(QFileDialog::ShowDirsOnly, true);
        dlg->setOption(QFileDialog::DontUseNativeDialog, true);
        dlg->setWindowTitle(QString());
        return dlg;
    }
    if (m_nConnectionType == kConnTypeFile) {
        const QStringList filters = NameFilters(m_nCounterType);
        if (filters.isEmpty()) return nullptr;
        auto dlg = std::make_unique<QFileDialog>(this);
        dlg->setFileMode(QFileDialog::ExistingFile);
        dlg->setAcceptMode(QFileDialog::AcceptOpen);
        dlg->setDefaultSuffix(QStringLiteral("db"));
        dlg->setNameFilters(filters);
        dlg->setOption(QFileDialog::DontUseNativeDialog, true);
        return dlg;
    }
    return nullptr;
}

void CSiteConnDlg::OnBrowse() {
    std::unique_ptr<QFileDialog> dlg = CreateBrowseDialog();
    if (!dlg) return;
    QString chosen;
    if (browseRunner) {
        chosen = browseRunner(*dlg);
    } else if (dlg->exec() == QDialog::Accepted && !dlg->selectedFiles().isEmpty()) {
        chosen = dlg->selectedFiles().first();
    }
    if (!chosen.isEmpty()) localPathEdit_->setText(QDir::toNativeSeparators(chosen));
}

void CSiteConnDlg::Message(unsigned id) {
    if (prompt_) {
        prompt_->ShowMessage(id, PromptButtons::kOk);
    } else {
        MessagePrompt(this).ShowMessage(id, PromptButtons::kOk);
    }
}

bool CSiteConnDlg::AddressOfShownServerSite(const QString& address) const {
    if (!sites_) return false;
    const std::string text = address.toStdString();
    for (const SiteRecord& site : *sites_) {
        if (site.connectionType == kConnServer && site.treeItem && site.ipAddress == text) {
            return true;
        }
    }
    return false;
}

void CSiteConnDlg::accept() {
    m_strAddressOnOk = addressEdit_->text();
    m_strLocalPathOnOk = localPathEdit_->text();
    if (localRadio_->isChecked()) {
        if (m_strLocalPathOnOk.isEmpty()) {
            Message(kStrConnNoLocalPath);
            return;
        }
    } else {
        if (m_strAddressOnOk.isEmpty() || !m_strAddressOnOk.contains('.')) {
            Message(kStrConnBadAddress);
            return;
        }
        if (AddressOfShownServerSite(m_strAddressOnOk)) {
            Message(kStrConnAddressInUse);
            return;
        }
        m_strPort = portEdit_->text();
        m_strPassword = passwordEdit_->text();
        m_strUserName = userEdit_->text();
        m_strAddress = addressEdit_->text();
    }
    if (m_nConnectionType == kConnTypeFile) m_nConnectionType = kConnTypeFolder;
    QDialog::accept();
}

bool SiteConnDialogRunner::Run(SiteDialogFields& fields, SiteDialogPurpose purpose) {
    Q_UNUSED(purpose);
    CSiteConnDlg dlg(parent_);
    dlg.SetSiteList(sites_);
    dlg.SetPrompt(prompt_);
    dlg.m_strPort = QString::fromStdString(fields.port);
    dlg.m_strUserName = QString::fromStdString(fields.userName);
    dlg.m_strPassword = QString::fromStdString(fields.password);
    dlg.m_strAddress = QString::fromStdString(fields.address);
    dlg.m_nConnectionType = fields.connectionType;
    dlg.m_nCounterType = fields.counterType;
    if (beforeRun) beforeRun(dlg);
    if (dlg.exec() != QDialog::Accepted) return false;
    fields.connectionType = dlg.m_nConnectionType;
    fields.address = dlg.m_strAddressOnOk.toStdString();
    fields.port = dlg.m_strPort.toStdString();
    fields.userName = dlg.m_strUserName.toStdString();
    fields.password = dlg.m_strPassword.toStdString();
    fields.localPath = dlg.m_strLocalPathOnOk.toStdString();
    return true;
}

}  // namespace zl
