// The one way for an edit. The controller owns the project document; every
// change of data (a cell, a paste, a row command, a property, a road or parent
// record command) runs through edit(), which snapshots what the edit can change,
// runs it, records it for undo when anything changed, marks the document
// modified and tells the views what changed. No widget edits records itself.
#pragma once

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "document/document.h"
#include "geodesy/coordinate_system.h"
#include "model/prompter.h"
#include "tables/data_tables.h"

namespace vornex::app {

// What an edit can change: the smaller the scope, the smaller the snapshot.
enum class EditScope {
    CurrentRoad,    // the current road's lists and header (the road list keeps its length)
    ControlPoints,  // the project's control points
    Project,        // everything: header, control points, the road list
};

// The `kind` of changed(): a RecordKind code (>= 0) for an edit of records of
// one kind, or one of these.
namespace change {
inline constexpr int kEverything = -1;  // new or opened project, undo, redo: rebuild all
inline constexpr int kRoads = -2;       // road list, road header or project header
inline constexpr int kSelection = -3;   // current road, table or parent record; no data changed
inline constexpr int kTable = -4;       // several records of the shown table (reordered, added, removed)
}  // namespace change

// The document state one undo step restores; exchanged with the live state on
// undo and on redo, so one copy serves both directions.
struct DocumentSnapshot {
    EditScope scope = EditScope::CurrentRoad;
    int road = -1;
    std::optional<Road> roadData;
    std::vector<ControlPoint> controlPoints;
    std::optional<RoadProject> project;
    std::int32_t startPosition = 1;
    double startPointStation = 0, startX = 0, startY = 0, startPointAzimuth = 0;
    std::size_t bytes = 0;  // estimated heap size
};

// What the views have chosen besides the document's current road and table:
// the side shown in the plate and contour tables, the selected slope template
// and tunnel-section template, and which tree the road module shows.
struct ViewState {
    int side = 1;  // 1 左路幅, 2 右路幅
    int slopeTemplate = -1;
    int tunnelTemplate = -1;
    bool resultsMode = false;
    // Step of 逐桩坐标表 and of the cross section's station box (metres); kept
    // per project file in the settings.
    double coordinateInterval = 100;
};

// Estimated memory of a road with all its lists (bytes).
std::size_t estimatedBytes(const Road& road);
std::size_t estimatedBytes(const RoadProject& project);

class DocumentController : public QObject {
    Q_OBJECT
public:
    // The prompter shows the document's messages and questions; it must outlive the controller.
    explicit DocumentController(Prompter& prompter, QObject* parent = nullptr);
    ~DocumentController() override;

    CVornexPcDoc& doc() { return doc_; }
    const CVornexPcDoc& doc() const { return doc_; }
    const RoadProject& project() const { return doc_.project(); }
    Prompter& prompter() { return prompter_; }

    ViewState& viewState() { return view_; }
    const ViewState& viewState() const { return view_; }
    // The table context of the current road and the view state.
    DataTableContext tableContext();

    // Runs `fn` as one edit. When the data in `scope` differs afterwards, the
    // edit becomes one undo step named `label`, the document is marked modified
    // and changed(kind, index) is emitted; returns true then. A read-only
    // document refuses every edit (false, `fn` not run).
    bool edit(const QString& label, EditScope scope, int kind, int index, const std::function<void()>& fn);

    // Selection changes (current road, table, parent record): not undoable, the
    // document stays as it is; views refresh.
    void notifySelection();
    void setCurrentRoad(int index);

    // Document commands. The undo history starts afresh after New and Open.
    void newDocument();
    // Returns the file's version (> 0) or the reader's failure code; on failure
    // the document is a fresh new one again.
    int open(const QString& path);
    // Returns 1 or the writer's failure code; success remembers the path and
    // marks the state clean (an undo after it marks the document modified again).
    int save(const QString& path);
    // Why the last open or save could not read or write its file (nothing
    // failed: problem None). The window tells it in its own words, once.
    const io::FileError& fileFailure() const { return fileFailure_; }

    QString filePath() const { return filePath_; }
    // The file name shown in the title and the save question; "无标题" before the first save.
    QString displayName() const;
    bool modified() const { return doc_.modified(); }
    bool editable() const { return doc_.editable(); }

    // The project's coordinate system (none until the user chooses one): kept
    // in the settings under the project file's path, read on Open and kept for
    // the new path on Save As. Not part of the file, so not on the undo stack.
    const std::optional<geodesy::CoordinateSystem>& coordinateSystem() const { return system_; }
    void setCoordinateSystem(const std::optional<geodesy::CoordinateSystem>& system);

    QUndoStack& undoStack() { return stack_; }
    bool canUndo() const;
    bool canRedo() const;
    void undo();
    void redo();
    // The history keeps the last kUndoDepth steps, fewer when their snapshots
    // together pass the memory limit (the newest step always stays).
    static constexpr int kUndoDepth = 500;
    void setUndoMemoryLimit(std::size_t bytes);
    std::size_t undoMemory() const { return memory_; }

signals:
    void changed(int kind, int index);
    void modifiedChanged(bool modified);
    void undoStateChanged();
    // After New and Open (and a failed Open): the views rebuild from scratch.
    void documentReplaced();
    // After a successful save, with the file's absolute path.
    void saved(const QString& path);
    // The project's coordinate system was chosen, changed or dropped (and after New and Open).
    void coordinateSystemChanged();

private:
    friend class SnapshotCommand;
    DocumentSnapshot take(EditScope scope) const;
    bool differs(const DocumentSnapshot& s) const;
    void exchange(DocumentSnapshot& s);  // live state <-> snapshot
    void afterHistoryMove();
    void trimMemory();
    void setModified(bool modified);

    Prompter& prompter_;
    CVornexPcDoc doc_;
    io::FileError fileFailure_;
    QUndoStack stack_;
    QString filePath_;
    ViewState view_;
    std::optional<geodesy::CoordinateSystem> system_;
    std::size_t memoryLimit_ = 256u * 1024u * 1024u;
    std::size_t memory_ = 0;
    int floor_ = 0;  // undo never goes below this stack index (older steps were dropped for memory)
    bool inEdit_ = false;
};

}  // namespace vornex::app
