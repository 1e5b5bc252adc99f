#include <malloc.h>

#include "platform/foundation/standard_streams.hpp"

#include "widget/sonaris_widget.hpp"

int main(int argc, char** argv) {
    sonaris::platform::foundation::openClosedStandardStreams();
    // glibc raises its mmap threshold to the size of each large block freed, after which
    // megabyte buffers (a state file, a cover's bytes) come from the heap and stay resident once
    // freed. A fixed threshold returns them to the system at once, which keeps the process's peak
    // within its 30 MB.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    return sonaris::widget::SonarisWidget::main(argc, argv);
}
