#pragma once

#include "window/file_chooser.h"

#include <QStringList>

// Answers with prepared names; a null QString stands for a cancel.
class FakeFileChooser : public captiloom::window::FileChooser
{
public:
    QStringList answers;
    QStringList filters;

protected:
    std::optional<QString> ask(const QString &description, const QString &pattern) override
    {
        filters.append(description + u'|' + pattern);
        const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
        if (answer.isNull())
            return std::nullopt;
        return answer;
    }
};
