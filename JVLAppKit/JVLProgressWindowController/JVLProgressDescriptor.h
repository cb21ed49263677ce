#pragma once

// One unit of work the progress window shows: title, info text, a detailed description, an image
// and, when determinate, a range and a current value. Workers create and post descriptors from any
// thread; every property is key-value coded under its name so that an update notification's user
// info applies with setValuesForKeysWithDictionary.

#include "kit/core/Class.h"
#include "kit/graphics/Image.h"

#include <atomic>
#include <mutex>

class JVLProgressDescriptor : public kit::Object {
    KIT_CLASS(JVLProgressDescriptor)

    JVLProgressDescriptor() = default;
    // Indeterminate.
    JVLProgressDescriptor(const QString& title, const QString& infoText, bool allowCancel);
    // Determinate, starting at the minimum.
    JVLProgressDescriptor(const QString& title, const QString& infoText, double minValue, double maxValue, bool allowCancel);

    bool allowCancel() const { return allowCancel_; }
    bool isIndeterminate() const { return isIndeterminate_; }

    kit::Ref<kit::Image> image() const;
    void setImage(const kit::Ref<kit::Image>& image);
    QString title() const;
    void setTitle(const QString& title);
    QString infoText() const;
    void setInfoText(const QString& infoText);
    QString progressDescription() const;
    void setProgressDescription(const QString& description);

    double minValue() const { return minValue_.load(); }
    void setMinValue(double value);
    double maxValue() const { return maxValue_.load(); }
    void setMaxValue(double value);
    double currentValue() const { return currentValue_.load(); }
    void setCurrentValue(double value);
    // Workers poll it while the main thread sets it.
    bool isCancelled() const { return isCancelled_.load(); }
    void setIsCancelled(bool flag);

private:
    template <class Field, class V> void setAnnounced(const char* key, Field& field, const V& value);

    mutable std::mutex mutex_;
    bool allowCancel_ = false;
    bool isIndeterminate_ = true;
    kit::Ref<kit::Image> image_;
    QString title_;
    QString infoText_;
    QString progressDescription_;
    std::atomic<double> minValue_ { 0 };
    std::atomic<double> maxValue_ { 0 };
    std::atomic<double> currentValue_ { 0 };
    std::atomic<bool> isCancelled_ { false };
};
