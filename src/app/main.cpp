#include "Startup.h"

#include <QApplication>

#ifdef __GLIBC__
#include <malloc.h>
#endif

int main(int argc, char **argv) {
#ifdef __GLIBC__
    // The helper threads (start-up work, the toolkit's event reader) allocate little: one
    // memory pool keeps what they free for the main thread, where a pool each holds on to it.
    mallopt(M_ARENA_MAX, 1);
#endif
    QApplication app(argc, argv);
    return Startup::run(app);
}
