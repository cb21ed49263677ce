#pragma once

// The inspector tests' fixture: an offscreen window holding an inspector 400 points wide with its
// own layout manager and typesetter, a main bundle with the inspector's strings, a model object
// to bind fields to, and a delegate that records what it hears.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspector.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorField.h"

#include "kit/appkit/Window.h"
#include "kit/testsupport/EventScript.h"

#include <QStringList>
#include <QTemporaryDir>

#include <optional>

// Any key, stored; observable.
class InspectorModel : public kit::Object {
    KIT_CLASS(InspectorModel)
public:
    InspectorModel() = default;
};

class InspectorRecordingDelegate : public kit::Object, public JVLTextViewInspectorDelegate {
    KIT_CLASS(InspectorRecordingDelegate)
public:
    void delegateShouldChangeEditStateForTextViewInspector(JVLTextViewInspector* inspector) override;
    void textViewInspectorDidChangedValueOfField(JVLTextViewInspector*, JVLTextViewInspectorField* field) override;
    QStringList* log = nullptr;
    bool switchesToEditMode = false;
    int changes = 0;
};

class InspectorFixture {
public:
    InspectorFixture();
    ~InspectorFixture();
    InspectorFixture(const InspectorFixture&) = delete;
    InspectorFixture& operator=(const InspectorFixture&) = delete;

    // The middle of character `index` in window coordinates.
    kit::Point characterPoint(std::int64_t index) const;
    // The text with one line per stored run: "[start,length] text {attribute names}".
    QString runDump() const;

    QTemporaryDir bundleDir;
    kit::Ref<kit::Window> window;
    kit::Ref<kit::View> content;
    std::optional<kit::test::EventScript> script;
    kit::Ref<JVLTextViewInspector> inspector;
};
