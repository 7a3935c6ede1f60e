// The data tree's context menu: adding, deleting and renaming roads and the
// records that show as tree items (slope templates, bridges and piers,
// tunnel-section templates, tunnels), each run through the controller.
#include <QAction>
#include <QMenu>
#include <QTreeWidget>

#include <functional>

#include "app/work_view.h"
#include "document/parent_records.h"

namespace vornex::app {

namespace ic = table_code;

QList<QAction*> CWorkView::contextActions(QTreeWidgetItem* item) {
    QList<QAction*> actions;
    if (!item) return actions;
    const bool editable = controller_.editable();
    const std::vector<int> path = pathOf(item);
    auto add = [&](const QString& text, bool enabled, std::function<void()> fn) {
        auto* a = new QAction(text, this);
        a->setEnabled(enabled && editable);
        connect(a, &QAction::triggered, this, [fn] { fn(); });
        actions << a;
    };
    CVornexPcDoc& doc = controller_.doc();
    if (path.size() == 1) {
        add(QStringLiteral("增加一条路线"), true, [this, &doc] {
            controller_.edit(QStringLiteral("增加路线"), EditScope::Project, change::kRoads, -1, [&] { doc.addRoad(); });
        });
        add(QStringLiteral("删除当前路线"), doc.currentRoad() != nullptr, [this, &doc] {
            controller_.edit(QStringLiteral("删除路线"), EditScope::Project, change::kRoads, -1,
                             [&] { doc.deleteCurrentRoad(); });
        });
        return actions;
    }
    if (path.size() < 2) return actions;
    const int folder = path[1];
    auto run = [this, &doc](const QString& label, int kind, std::function<void(Road&)> fn) {
        Road* road = doc.currentRoad();
        if (!road) return;
        controller_.edit(label, EditScope::CurrentRoad, kind, -1, [&] { fn(*doc.currentRoad()); });
    };
    auto addCmd = [this, run](const QString& label, ParentKind kind, int recordKind, int folderCode, int bridge) {
        int added = -1;
        run(label, recordKind, [&](Road& r) { added = addParentRecord(r, kind, controller_.prompter(), bridge); });
        if (added >= 0) {
            if (kind == ParentKind::Pier) selectPath({ic::kDataRoot, ic::kBridges, bridge, added});
            else selectPath({ic::kDataRoot, folderCode, added});
        }
    };
    auto delCmd = [run, this](const QString& label, ParentKind kind, int recordKind, int index, int bridge) {
        run(label, recordKind,
            [&](Road& r) { deleteParentRecord(r, kind, index, controller_.prompter(), bridge); });
    };
    auto renameCmd = [this, item] {
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        dataTree_->editItem(item, 0);
    };
    struct Folder {
        int code;
        ParentKind kind;
        int recordKind;
        QString noun;
    };
    const Folder folders[] = {
        {ic::kSlopeTemplates, ParentKind::SlopeTemplate, int(RecordKind::SlopeTemplate), QStringLiteral("边坡模板")},
        {ic::kBridges, ParentKind::Bridge, int(RecordKind::Bridge), QStringLiteral("桥梁")},
        {ic::kTunnelTemplates, ParentKind::TunnelTemplate, int(RecordKind::TunnelTemplate),
         QStringLiteral("隧道断面模板")},
        {ic::kTunnels, ParentKind::Tunnel, int(RecordKind::Tunnel), QStringLiteral("隧道")},
    };
    for (const Folder& f : folders) {
        if (folder != f.code) continue;
        if (path.size() <= 3) {
            add(QStringLiteral("增加") + f.noun, true,
                [=] { addCmd(QStringLiteral("增加") + f.noun, f.kind, f.recordKind, f.code, -1); });
        }
        if (f.code == ic::kBridges && path.size() >= 3) {
            const int bridge = path[2];
            add(QStringLiteral("增加墩台"), true,
                [=] { addCmd(QStringLiteral("增加墩台"), ParentKind::Pier, int(RecordKind::Pier), f.code, bridge); });
        }
        if (path.size() == 3) {
            const int index = path[2];
            add(QStringLiteral("删除") + f.noun, true,
                [=] { delCmd(QStringLiteral("删除") + f.noun, f.kind, f.recordKind, index, -1); });
            add(QStringLiteral("重命名"), true, renameCmd);
        }
        if (f.code == ic::kBridges && path.size() == 4) {
            const int bridge = path[2], index = path[3];
            add(QStringLiteral("删除墩台"), true,
                [=] { delCmd(QStringLiteral("删除墩台"), ParentKind::Pier, int(RecordKind::Pier), index, bridge); });
            add(QStringLiteral("重命名"), true, renameCmd);
        }
    }
    return actions;
}

void CWorkView::showTreeMenu(const QPoint& pos) {
    QTreeWidgetItem* item = dataTree_->itemAt(pos);
    const QList<QAction*> actions = contextActions(item);
    if (actions.isEmpty()) return;
    QMenu menu(this);
    menu.setAccessibleName(QStringLiteral("数据树菜单"));
    menu.addActions(actions);
    menu.exec(dataTree_->viewport()->mapToGlobal(pos));
    qDeleteAll(actions);
}

}  // namespace vornex::app
