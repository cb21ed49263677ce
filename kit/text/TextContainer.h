#pragma once

// The region text is laid out in: a width (tracking the text view's) and an unlimited height by
// default, with line fragment padding at both ends of every line. Holds its layout manager and
// its text view weakly; the text view is reached as a TextLayoutClient by the model.

#include "kit/core/Class.h"
#include "kit/core/Geometry.h"
#include "kit/core/Object.h"

namespace kit {

class LayoutManager;
class TextLayoutClient;
class TextView;

class TextContainer : public Object {
    KIT_CLASS(TextContainer)
    TextContainer();
    explicit TextContainer(Size size);

    // Width and height; 1e7 stands for unlimited.
    Size containerSize() const { return size_; }
    void setContainerSize(Size size);
    // Default 5; the field editor uses 2.
    double lineFragmentPadding() const { return padding_; }
    void setLineFragmentPadding(double padding);
    bool widthTracksTextView() const { return widthTracks_; }
    void setWidthTracksTextView(bool tracks) { widthTracks_ = tracks; }
    bool heightTracksTextView() const { return heightTracks_; }
    void setHeightTracksTextView(bool tracks) { heightTracks_ = tracks; }

    // T is the text view class (a template so the model needs no view header).
    template <class T = TextView> Ref<T> textView() const { return dynamic_pointer_cast<T>(textView_.lock()); }
    // `view` must be an Object implementing TextLayoutClient.
    template <class T> void setTextView(T* view) { setTextViewClient(view, view); }
    void setTextViewClient(Object* view, TextLayoutClient* client);
    // The view as the model talks to it; null without a view or once it is gone.
    TextLayoutClient* textViewClient() const;

    Ref<LayoutManager> layoutManager() const;
    // Called by LayoutManager::addTextContainer.
    void setLayoutManager(LayoutManager* manager);
    // The new manager takes this container's place: it joins the old one's storage and takes over
    // the container (and so the text view).
    void replaceLayoutManager(const Ref<LayoutManager>& manager);

private:
    Size size_ { 1e7, 1e7 };
    double padding_ = 5;
    bool widthTracks_ = false;
    bool heightTracks_ = false;
    Weak<Object> textView_;
    TextLayoutClient* client_ = nullptr;
    Weak<LayoutManager> layoutManager_;
};

} // namespace kit
