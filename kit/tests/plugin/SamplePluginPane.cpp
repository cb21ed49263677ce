// A plug-in's code for the bundle tests: one class that exists only once the library is loaded.

#include "kit/core/Class.h"
#include "kit/core/Object.h"

class SamplePluginPane : public kit::Object {
    KIT_CLASS(SamplePluginPane)
    QString label() const { return QStringLiteral("from the plug-in"); }
};

KIT_REGISTER_CLASS(SamplePluginPane, kit::Object) { c.property("label", &SamplePluginPane::label); }
