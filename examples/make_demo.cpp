// Writes the demo project (examples/demo.rod) exactly as the program saves it.
//   vornex-make-demo [OUT.rod]     (default: examples/demo.rod)
#include <iostream>
#include <string>

#include "document/demo_project.h"
#include "document/document.h"

int main(int argc, char** argv) {
    const std::string out = argc > 1 ? argv[1] : "examples/demo.rod";
    vornex::DefaultAnswerPrompter prompter;
    vornex::CVornexPcDoc doc(prompter);
    doc.onNewDocument();
    doc.project() = vornex::makeDemoProject();
    int status = doc.save(out);
    if (status != 1) {
        std::cerr << "vornex-make-demo: cannot write " << out << " (status " << status << ")\n";
        return 1;
    }
    std::cout << out << "\n";
    return 0;
}
