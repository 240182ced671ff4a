#include "window_run.h"

#include "conversion_run.h"
#include "main_form.h"
#include "window_services.h"

#include <QProgressBar>

namespace captiloom::bench {

QuietServices::Outcome convertInWindow(window::MainForm &form, const QString &source,
                                       const QString &output)
{
    auto *bar = form.findChild<QProgressBar *>();
    if (!bar)
        return QuietServices::Outcome::Other;
    window::WindowServices services(form, *bar);
    QuietServices quiet(&services);
    conversion::RunConversion(source, output, quiet);
    return quiet.outcome();
}

} // namespace captiloom::bench
