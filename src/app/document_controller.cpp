#include "app/document_controller.h"

#include <QFileInfo>
#include <QUndoCommand>

#include <filesystem>

#include "app/project_system.h"
#include "tables/document_tables.h"

namespace vornex::app {

namespace {

template <class T>
std::size_t vectorBytes(const std::vector<T>& v) {
    return v.capacity() * sizeof(T);
}

}  // namespace

std::size_t estimatedBytes(const Road& road) {
    std::size_t n = sizeof(Road);
    n += vectorBytes(road.intersectionPoints) + vectorBytes(road.elements) + vectorBytes(road.gradePoints) +
         vectorBytes(road.chainBreaks) + vectorBytes(road.plates) + vectorBytes(road.slopeAssignments) +
         vectorBytes(road.slopeTemplates) + vectorBytes(road.widthChanges) + vectorBytes(road.crossfallChanges) +
         vectorBytes(road.structures) + vectorBytes(road.bridges) + vectorBytes(road.tunnels) +
         vectorBytes(road.tunnelTemplates);
    for (const SlopeTemplate& t : road.slopeTemplates) n += vectorBytes(t.rows);
    for (const Bridge& b : road.bridges) {
        n += vectorBytes(b.piers);
        for (const Pier& p : b.piers) n += vectorBytes(p.piles);
    }
    for (const Tunnel& t : road.tunnels)
        n += vectorBytes(t.slopeRules) + vectorBytes(t.stationRules) + vectorBytes(t.blastHoles);
    for (const TunnelTemplate& t : road.tunnelTemplates)
        n += vectorBytes(t.excavation) + vectorBytes(t.primary) + vectorBytes(t.secondary);
    return n;
}

std::size_t estimatedBytes(const RoadProject& project) {
    std::size_t n = sizeof(RoadProject) + vectorBytes(project.controlPoints) + vectorBytes(project.roads);
    for (const Road& r : project.roads) n += estimatedBytes(r) - sizeof(Road);
    return n;
}

// One undo step: the state before the edit; undo and redo exchange it with the
// live state.
class SnapshotCommand : public QUndoCommand {
public:
    SnapshotCommand(DocumentController& owner, const QString& label, DocumentSnapshot snapshot)
        : QUndoCommand(label), owner_(owner), snapshot_(std::move(snapshot)) {
        owner_.memory_ += snapshot_.bytes;
    }
    ~SnapshotCommand() override { release(); }

    void undo() override { owner_.exchange(snapshot_); }
    void redo() override {
        if (first_) {  // the edit has already run when the step is pushed
            first_ = false;
            return;
        }
        owner_.exchange(snapshot_);
    }
    // Gives up the snapshot (memory): the step can no longer be undone.
    void release() {
        owner_.memory_ -= snapshot_.bytes;
        snapshot_ = DocumentSnapshot{};
    }
    std::size_t bytes() const { return snapshot_.bytes; }

private:
    DocumentController& owner_;
    DocumentSnapshot snapshot_;
    bool first_ = true;
};

DocumentController::DocumentController(Prompter& prompter, QObject* parent)
    : QObject(parent), prompter_(prompter), doc_(prompter) {
    stack_.setUndoLimit(kUndoDepth);
    doc_.onNewDocument();
    connect(&stack_, &QUndoStack::indexChanged, this, [this] { emit undoStateChanged(); });
}

DocumentController::~DocumentController() {
    // The commands refer back to this controller: drop them first, silently
    // (the views may be gone already).
    blockSignals(true);
    stack_.blockSignals(true);
    stack_.clear();
}

DocumentSnapshot DocumentController::take(EditScope scope) const {
    DocumentSnapshot s;
    s.scope = scope;
    const RoadProject& p = doc_.project();
    switch (scope) {
    case EditScope::CurrentRoad:
        s.road = p.currentRoad;
        if (const Road* r = doc_.currentRoad()) {
            s.roadData = *r;
            s.bytes = estimatedBytes(*r);
        }
        break;
    case EditScope::ControlPoints:
        s.controlPoints = p.controlPoints;
        s.bytes = vectorBytes(s.controlPoints);
        break;
    case EditScope::Project:
        s.project = p;
        s.bytes = estimatedBytes(p);
        break;
    }
    s.startPosition = doc_.startPosition;
    s.startPointStation = doc_.startPointStation;
    s.startX = doc_.startX;
    s.startY = doc_.startY;
    s.startPointAzimuth = doc_.startPointAzimuth;
    return s;
}

bool DocumentController::differs(const DocumentSnapshot& s) const {
    const RoadProject& p = doc_.project();
    switch (s.scope) {
    case EditScope::CurrentRoad: {
        if (s.road != p.currentRoad) return true;
        const Road* r = doc_.currentRoad();
        if (!r || !s.roadData) return r != nullptr || s.roadData.has_value();
        // The current bridge, pier and tunnel are selection, not data.
        Road a = *s.roadData;
        a.currentBridge = r->currentBridge;
        a.currentPier = r->currentPier;
        a.currentTunnel = r->currentTunnel;
        return !(a == *r);
    }
    case EditScope::ControlPoints: return !(s.controlPoints == p.controlPoints);
    case EditScope::Project: return !(*s.project == p);
    }
    return true;
}

void DocumentController::exchange(DocumentSnapshot& s) {
    RoadProject& p = doc_.project();
    switch (s.scope) {
    case EditScope::CurrentRoad:
        if (s.roadData && s.road >= 0 && s.road < static_cast<int>(p.roads.size())) {
            // The step belongs to its road: show that road again (its start values come with it).
            if (s.road != p.currentRoad) doc_.setCurrentRoad(s.road);
            Road& live = p.roads[static_cast<std::size_t>(s.road)];
            // Keep what is selected now where it still exists.
            const std::int32_t bridge = live.currentBridge, pier = live.currentPier, tunnel = live.currentTunnel;
            std::swap(live, *s.roadData);
            auto keep = [](std::int32_t v, std::size_t n) { return v >= 0 && v < static_cast<int>(n) ? v : -1; };
            live.currentBridge = keep(bridge, live.bridges.size());
            live.currentPier = live.currentBridge >= 0
                                   ? keep(pier, live.bridges[static_cast<std::size_t>(live.currentBridge)].piers.size())
                                   : -1;
            live.currentTunnel = keep(tunnel, live.tunnels.size());
            s.bytes = estimatedBytes(*s.roadData);
        }
        break;
    case EditScope::ControlPoints:
        std::swap(p.controlPoints, s.controlPoints);
        s.bytes = vectorBytes(s.controlPoints);
        break;
    case EditScope::Project:
        std::swap(p, *s.project);
        s.bytes = estimatedBytes(*s.project);
        break;
    }
    std::swap(doc_.startPosition, s.startPosition);
    std::swap(doc_.startPointStation, s.startPointStation);
    std::swap(doc_.startX, s.startX);
    std::swap(doc_.startY, s.startY);
    std::swap(doc_.startPointAzimuth, s.startPointAzimuth);
}

bool DocumentController::edit(const QString& label, EditScope scope, int kind, int index,
                              const std::function<void()>& fn) {
    if (!doc_.editable() || inEdit_) return false;
    inEdit_ = true;
    DocumentSnapshot before = take(scope);
    const bool wasModified = doc_.modified();
    fn();
    inEdit_ = false;
    // A command may mark the document itself; the controller decides (and tells).
    doc_.setModified(wasModified);
    if (!differs(before)) {
        // Nothing changed (refused, cancelled or the same value): no step.
        emit changed(change::kSelection, -1);  // views show the stored values again
        return false;
    }
    const QUndoCommand* oldest = stack_.count() > 0 ? stack_.command(0) : nullptr;
    stack_.push(new SnapshotCommand(*this, label, std::move(before)));
    if (oldest && stack_.command(0) != oldest && floor_ > 0) --floor_;  // the oldest step fell off the depth limit
    trimMemory();
    // The core command has marked the document already: compare with before it.
    doc_.setModified(true);
    if (!wasModified) emit modifiedChanged(true);
    emit changed(kind, index);
    emit undoStateChanged();
    return true;
}

void DocumentController::trimMemory() {
    // Drop the oldest snapshots until the history fits; the newest always stays.
    const int newest = stack_.count() - 1;
    while (memory_ > memoryLimit_ && floor_ < newest) {
        auto* cmd = const_cast<SnapshotCommand*>(static_cast<const SnapshotCommand*>(stack_.command(floor_)));
        if (cmd) cmd->release();
        ++floor_;
    }
    if (floor_ > stack_.index()) floor_ = stack_.index();
}

void DocumentController::setUndoMemoryLimit(std::size_t bytes) {
    memoryLimit_ = bytes;
    trimMemory();
    emit undoStateChanged();
}

bool DocumentController::canUndo() const { return doc_.editable() && stack_.index() > floor_; }
bool DocumentController::canRedo() const { return doc_.editable() && stack_.canRedo(); }

void DocumentController::undo() {
    if (!canUndo()) return;
    stack_.undo();
    afterHistoryMove();
}

void DocumentController::redo() {
    if (!canRedo()) return;
    stack_.redo();
    afterHistoryMove();
}

void DocumentController::afterHistoryMove() {
    setModified(!stack_.isClean());
    emit changed(change::kEverything, -1);
    emit undoStateChanged();
}

void DocumentController::setModified(bool modified) {
    const bool was = doc_.modified();
    doc_.setModified(modified);
    if (was != modified) emit modifiedChanged(modified);
}

DataTableContext DocumentController::tableContext() {
    return documentTableContext(doc_, view_.side, view_.slopeTemplate, view_.tunnelTemplate);
}

void DocumentController::notifySelection() { emit changed(change::kSelection, -1); }

void DocumentController::setCurrentRoad(int index) {
    if (index == doc_.project().currentRoad) return;
    doc_.setCurrentRoad(index);
    emit changed(change::kRoads, index);
}

void DocumentController::newDocument() {
    stack_.clear();
    floor_ = 0;
    view_ = ViewState{};
    doc_.onNewDocument();
    filePath_.clear();
    system_.reset();
    stack_.setClean();
    setModified(false);
    emit documentReplaced();
    emit coordinateSystemChanged();
    emit changed(change::kEverything, -1);
    emit undoStateChanged();
    emit modifiedChanged(false);
}

int DocumentController::open(const QString& path) {
    stack_.clear();
    floor_ = 0;
    view_ = ViewState{};
    const int status = doc_.open(std::filesystem::path(path.toStdString()), &fileFailure_);
    if (status > 0) {
        filePath_ = QFileInfo(path).absoluteFilePath();
    } else {
        // Nothing half-read stays: the workbench goes on with a new project.
        doc_.onNewDocument();
        filePath_.clear();
    }
    system_ = storedProjectSystem(filePath_);
    stack_.setClean();
    setModified(false);
    emit documentReplaced();
    emit coordinateSystemChanged();
    emit changed(change::kEverything, -1);
    emit undoStateChanged();
    emit modifiedChanged(false);
    return status;
}

int DocumentController::save(const QString& path) {
    // Saving orders the lists of every road; an undo after it brings back the
    // whole state of its step, so the history stays consistent.
    const int status = doc_.save(std::filesystem::path(path.toStdString()), &fileFailure_);
    if (status == 1) {
        filePath_ = QFileInfo(path).absoluteFilePath();
        // The system goes with the file (saved under another name, or for the first time).
        storeProjectSystem(filePath_, system_);
        stack_.setClean();
        setModified(false);
        emit saved(filePath_);
    }
    emit changed(change::kEverything, -1);
    emit undoStateChanged();
    return status;
}

void DocumentController::setCoordinateSystem(const std::optional<geodesy::CoordinateSystem>& system) {
    if (system == system_) return;
    system_ = system;
    storeProjectSystem(filePath_, system_);
    emit coordinateSystemChanged();
}

QString DocumentController::displayName() const {
    return filePath_.isEmpty() ? QStringLiteral("无标题") : QFileInfo(filePath_).fileName();
}

}  // namespace vornex::app
