// Maintenance utility of a base's record-manager files: create, list, dump, load.
#include "kirvo_btr/btr_utility.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int rc = KirvoBtr(args, out, err);
    out.flush();
    err.flush();
    return rc;
}
