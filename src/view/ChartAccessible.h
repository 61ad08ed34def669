#pragma once

class QWidget;

namespace ravelin {

// Tells screen readers that `widget` is a chart, a picture they can have described
// (its accessible description), rather than an empty pane. Call it in the widget's
// constructor, before anything asks for the widget's accessible interface.
void MarkAsChart(QWidget* widget);

} // namespace ravelin
