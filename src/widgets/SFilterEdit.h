#pragma once

#include "widgets/SStyleEdit.h"

// The filter field above a list: a clear button at the right that shows only
// while there is text, and one FilterChanged per real change of the text.
class SFilterEdit final : public SStyleEdit
{
    Q_OBJECT
public:
    explicit SFilterEdit(QWidget* parent = nullptr);
    ~SFilterEdit() override;

signals:
    void FilterChanged(const QString& strFilter);

public slots:
    void TextChanged();

private:
    Q_DISABLE_COPY(SFilterEdit)

    QString m_strLastText;
};
