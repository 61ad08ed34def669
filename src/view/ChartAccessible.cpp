#include "view/ChartAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace ravelin {

namespace {

constexpr const char* kChartProperty = "ravelinChart";

// Asked with the object's own class first, before Qt's widgets are considered.
QAccessibleInterface* ChartFactory(const QString&, QObject* object)
{
    if (object && object->isWidgetType() && object->property(kChartProperty).toBool())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Chart);
    return nullptr;
}

} // namespace

void MarkAsChart(QWidget* widget)
{
    static const bool installed = [] {
        QAccessible::installFactory(ChartFactory);
        return true;
    }();
    Q_UNUSED(installed);
    widget->setProperty(kChartProperty, true);
}

} // namespace ravelin
