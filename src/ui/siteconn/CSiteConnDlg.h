// The site connection dialog: how a new site is reached (record-database server, device, local
// database folder, local database file). The caller sets the members, runs it modally and, after
// OK, reads the connection type (0, 1 or 2: a file answers 2), the address and local path taken
// on OK, the port, user name and password. OK checks the input and stays open with message 114
// (no local path), 116 (an address without a dot) or 115 (the address of a server site shown in
// the tree). Control ids are the object names "id<number>" (see Control()).
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "sites/ISiteDialog.h"

class QCheckBox;
class QComboBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zl {

struct SiteRecord;
class IUserPrompt;

// Control ids of the dialog.
enum SiteConnControl {
    kIdTypeLabel = 1158,
    kIdTypeCombo = 1157,
    kIdAddressLabel = 1002,
    kIdAddressEdit = 1153,
    kIdPortLabel = 1009,
    kIdPortEdit = 1017,
    kIdUserLabel = 1154,
    kIdUserEdit = 1022,
    kIdPasswordLabel = 1155,
    kIdPasswordEdit = 1023,
    kIdAnonymous = 1156,
    kIdAddressMirror = 1018,
    kIdLocalPathLabel = 1021,
    kIdLocalPathEdit = 1015,
    kIdBrowse = 1016,
    kIdLocalRadio = 1019,
    kIdRemoteRadio = 1020,
    kIdOk = 1,
    kIdCancel = 2,
};

// Connection types of the combo box (3 is answered as 2).
enum SiteConnType {
    kConnTypeServer = 0,
    kConnTypeDevice = 1,
    kConnTypeFolder = 2,
    kConnTypeFile = 3
};

class CSiteConnDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CSiteConnDlg(QWidget* parent = nullptr);
    ~CSiteConnDlg() override;

    // Set by the caller before the dialog is shown.
    QString m_strPort = QStringLiteral("700");
    QString m_strPassword;
    QString m_strUserName;
    QString m_strAddress;
    int m_nConnectionType = kConnTypeServer;
    int m_nCounterType = 1;
    // Answered on OK.
    QString m_strAddressOnOk;
    QString m_strLocalPathOnOk;

    // The site list whose shown server sites' addresses OK refuses (none: no such check).
    void SetSiteList(const std::vector<SiteRecord>* sites) { sites_ = sites; }
    // Where messages 114, 115 and 116 go; default: a message box.
    void SetPrompt(IUserPrompt* prompt) { prompt_ = prompt; }

    // Pushes the members into the controls, finds the default address, fills the combo box,
    // sets the texts and lays the controls out. Runs once, on the first show at the latest.
    void Initialize();
    QWidget* Control(int id) const;

    // The folder of the counting software: the current directory here, without trailing
    // separators.
    static QString InstallFolder();
    // The computer's first IPv4 address from a lookup of its host name, else "127.0.0.1".
    static QString LocalHostAddress();
    // The open-file filter of a counter type, as "description|pattern|...||"; empty for other
    // codes. And the same as name filters of a Qt file dialog.
    static QString FileFilter(int counterType);
    static QStringList NameFilters(int counterType);
    // The dialog Browse.. opens for the current connection type (nullptr for the remote types
    // and for a counter type without a filter).
    std::unique_ptr<QFileDialog> CreateBrowseDialog();
    // Runs the browse dialog and answers the chosen path (empty: none). Unset: the dialog runs
    // modally. Tests answer for the user here.
    std::function<QString(QFileDialog&)> browseRunner;

  public slots:
    void accept() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void OnTypeChanged(int index);
    void OnAnonymousClicked();
    void OnRadioClicked(bool local);
    void OnBrowse();
    void LayOut(int connectionType);
    void Message(unsigned id);
    bool AddressOfShownServerSite(const QString& address) const;

    QComboBox* typeCombo_;
    QLabel* userLabel_;
    QLabel* passwordLabel_;
    QLineEdit* userEdit_;
    QLineEdit* passwordEdit_;
    QCheckBox* anonymous_;
    QLineEdit* addressEdit_;
    QLineEdit* portEdit_;
    QLabel* addressLabel_;
    QPushButton* browse_;
    QLabel* portLabel_;
    QLabel* localPathLabel_;
    QLineEdit* localPathEdit_;
    QLineEdit* addressMirror_;
    QRadioButton* localRadio_;
    QRadioButton* remoteRadio_;
    QLabel* typeLabel_;
    QPushButton* ok_;
    QPushButton* cancel_;

    const std::vector<SiteRecord>* sites_ = nullptr;
    IUserPrompt* prompt_ = nullptr;
    bool initialized_ = false;
};

// ISiteDialog on CSiteConnDlg: one modal dialog per call.
class SiteConnDialogRunner : public ISiteDialog {
  public:
    SiteConnDialogRunner(QWidget* parent, const std::vector<SiteRecord>* sites,
                         IUserPrompt* prompt = nullptr)
        : parent_(parent), sites_(sites), prompt_(prompt) {}
    bool Run(SiteDialogFields& fields, SiteDialogPurpose purpose) override;
    // Called with the dialog before it runs (tests drive it from here).
    std::function<void(CSiteConnDlg&)> beforeRun;

  private:
    QWidget* parent_;
    const std::vector<SiteRecord>* sites_;
    IUserPrompt* prompt_;
};

}  // namespace zl
