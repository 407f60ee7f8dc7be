#include "app/topwidget.h"

#include "app/appglobals.h"

int App::fileArgumentIndex = 0;

TopWidget::TopWidget()
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("main_top"));
    setWindowTitle(QStringLiteral("Clavion"));
}

TopWidget::~TopWidget() = default;

void TopWidget::quit()
{
    close();
}
