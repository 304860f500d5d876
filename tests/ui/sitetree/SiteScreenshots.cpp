// Writes pictures of the site tree and of the site connection dialog (one per connection type)
// into the folder given as the first argument, offscreen. Not a test: for looking at.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

#include "recnet/RecNet.h"
#include "sites/SiteLogic.h"
#include "store/IString.h"
#include "ui/siteconn/CSiteConnDlg.h"
#include "ui/siteconn/MessagePrompt.h"
#include "ui/sitetree/CDragDropTreeCtrl.h"
#include "ui/sitetree/SiteTreeAdapter.h"

namespace zl {

namespace {

struct NoDialog : ISiteDialog {
    bool Run(SiteDialogFields&, SiteDialogPurpose) override { return false; }
};

SiteRecord Site(const std::string& name, int cameras, bool is3D) {
    SiteRecord s;
    s.name = name;
    s.connectionType = kConnLocal;
    s.localDb = CreateRecNetLocal();
    for (int n = 1; n <= cameras; ++n) {
        CameraSlot& c = s.cameras[static_cast<size_t>(n - 1)];
        c.used = 1;
        c.name = "Camera0" + std::to_string(n);
        c.is3D = is3D ? 1 : 0;
    }
    return s;
}

}  // namespace

int Main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(out);
    if (argc > 2) IString::Instance()->SetFile(argv[2]);

    CDragDropTreeCtrl tree;
    ApplyReportTreeLook(&tree);
    tree.resize(430, 330);
    SiteTreeAdapter adapter(&tree);
    SiteTreeMenu menu(&tree);
    MessagePrompt prompt;
    NoDialog dialog;
    std::vector<SiteRecord> sites = {Site("Local - Mall North - 2024/03/05 09:12:44", 3, false),
                                     Site("test-server - 10.0.0.7 - 2024/03/05 09:13:02", 2, true)};
    sites[0].checked = 1;
    sites[0].cameras[0].checked = 1;
    sites[0].cameras[2].checked = 1;
    sites[0].cameras[1].name = "Entrance";
    SiteLogic logic(sites, adapter, prompt, dialog, menu);
    logic.FillPeopleSiteTree();
    tree.show();
    tree.setCurrentItem(tree.topLevelItem(1)->child(0));
    QApplication::processEvents();
    tree.grab().save(out + "/site-tree.png");
    logic.CloseAllSites();

    const char* names[] = {"server", "device", "folder", "file"};
    for (int type = 0; type < 4; ++type) {
        CSiteConnDlg dlg;
        dlg.m_nCounterType = 1;
        dlg.show();
        auto* combo = qobject_cast<QComboBox*>(dlg.Control(kIdTypeCombo));
        combo->setCurrentIndex(type);
        emit combo->activated(type);
        if (type == 3) {
            qobject_cast<QLineEdit*>(dlg.Control(kIdLocalPathEdit))
                ->setText("/data/PeopleCounterData/PeopleCounter.db");
        }
        QApplication::processEvents();
        dlg.grab().save(out + QStringLiteral("/site-dialog-%1.png").arg(names[type]));
    }
    return 0;
}

}  // namespace zl

int main(int argc, char** argv) {
    return zl::Main(argc, argv);
}
