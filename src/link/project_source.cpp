// The project document as the source of a project transfer.
#include "document/document.h"
#include "link/project_transfer.h"

namespace vornex::link {

ProjectSource projectSourceOf(CVornexPcDoc& doc, std::string pathName) {
    ProjectSource s;
    s.pathName = pathName;
    s.modified = doc.modified();
    s.save = [&doc, pathName] { return doc.save(pathName) == 1; };
    return s;
}

}  // namespace vornex::link
