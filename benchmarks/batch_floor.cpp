// The floor of a batch from the command line: a process that starts as the
// program starts (linked against the same libraries, so that the dynamic
// loader binds the same symbols, with the same Qt application object made)
// and then does for each source no more than the floor's work, writing the
// given document under the name the program would give it.
//
//   captiloom_bench_batch_floor DOCUMENT [SOURCE...]

#include "floor_run.h"

#include "derive_output_path.h"

#include <QCoreApplication>
#include <QFile>

int main(int argc, char *argv[])
{
    const QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    QFile file(arguments.value(1));
    if (!file.open(QIODevice::ReadOnly))
        return 2;
    const QByteArray document = file.readAll();
    for (const QString &source : arguments.mid(2)) {
        if (!captiloom::bench::floorRun(source, captiloom::conversion::DeriveOutputPath(source),
                                        document))
            return 1;
    }
    return 0;
}
