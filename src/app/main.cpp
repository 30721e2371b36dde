#include "app/Startup.h"

#include <QApplication>

#ifdef __GLIBC__
#include <malloc.h>
#endif

int main(int argc, char **argv) {
#ifdef __GLIBC__
    // The helper threads (start-up work, the toolkit's event reader) share one memory pool
    // beside the main thread's, where a pool each held 0.3 MB of freed memory; a pool apart
    // from the main thread's keeps them from waiting on each other while the window is built.
    mallopt(M_ARENA_MAX, 2);
#endif
    QApplication app(argc, argv);
    return Startup::run(app);
}
