#pragma once

#include "controls/TwzImageThread.h"
#include "controls/TwzListBox.h"

#include <memory>
#include <string>

class TwzImage;

/// An entry of an image list box: its picture (a TwzImage child, also its TagObject), the
/// full file name (its TagString) and whether the picture is still to be requested (Tag 1,
/// then 0). The picture is requested the first time the item is painted.
class TwzImageListBoxItem : public TwzListBoxItem {
    RTL_CLASS(TwzImageListBoxItem, TwzListBoxItem)
public:
    explicit TwzImageListBoxItem(rtl::TComponent* owner);

    /// The picture object, or null once it is gone.
    [[nodiscard]] TwzImage* GetImage() const;
    [[nodiscard]] const std::string& GetFileName() const { return GetTagString(); }
    /// Links the picture object and the file to load into it.
    void SetPicture(TwzImage* image, const std::string& fileName);
    /// Where a load delivers the picture; its link is cleared when the image goes.
    [[nodiscard]] const std::shared_ptr<TwzImageLoadTarget>& LoadTarget() const { return m_target; }

    /// In an image list box: the part "textborder" shows with ShowFileName, and the part
    /// "text" shows the file name without its folder.
    void ApplyStyle() override;

protected:
    ~TwzImageListBoxItem() override = default;

    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;
    void BeforeDestruction() override;

private:
    void ForgetImage();

    std::shared_ptr<TwzImageLoadTarget> m_target = std::make_shared<TwzImageLoadTarget>();
};

// A list box of picture files, each item showing its picture. Pictures are decoded on worker
// threads (TwzImageThread), only when their item is first painted, reduced to the item's
// picture size with UseThumbnails. Files are added one by one or a folder at a time; only
// files whose extension the image codec reads are taken.
class TwzImageListBox : public TwzListBox {
    RTL_CLASS(TwzImageListBox, TwzListBox)
public:
    explicit TwzImageListBox(rtl::TComponent* owner);

    [[nodiscard]] bool GetShowFileName() const { return m_showFileName; }
    /// Stored only: items follow at their next style application.
    void SetShowFileName(bool value) { m_showFileName = value; }
    /// The height given to items; a property of its own, not the list layout's item height.
    [[nodiscard]] float GetItemHeight() const { return m_itemHeight; }
    /// Resizes every item, then lays the list out again.
    void SetItemHeight(float value);
    [[nodiscard]] bool GetUseThumbnails() const { return m_useThumbnails; }
    void SetUseThumbnails(bool value) { m_useThumbnails = value; }

    /// Adds an item for a picture file (see controls::IsPictureFileName); other files are
    /// ignored. The first item added becomes current.
    void AddFile(const std::string& fileName);
    /// Adds the picture files directly inside `folder` (no sub-folders), in the order of their
    /// names compared without regard to case; the list is not cleared first. At most
    /// kMaxFolderFiles entries of a folder are looked at.
    void AddFolder(const std::string& folder);
    /// No load starts for the items being removed.
    void Clear() override;
    /// Drags the current item's picture object.
    void BeginAutoDrag() override;

    static constexpr size_t kMaxFolderFiles = 10000;

protected:
    ~TwzImageListBox() override = default;

private:
    void StartLoad(rtl::TObject* sender, TwzCanvas* canvas, const TwzRect& rect);

    bool m_showFileName = false;
    float m_itemHeight = 0;
    bool m_useThumbnails = true;
};

/// The image list box in columns, left to right: one row of pictures.
class TwzHorzImageListBox : public TwzImageListBox {
    RTL_CLASS(TwzHorzImageListBox, TwzImageListBox)
public:
    explicit TwzHorzImageListBox(rtl::TComponent* owner);

protected:
    ~TwzHorzImageListBox() override = default;
};

class TwzHudImageListBox : public TwzImageListBox {
    RTL_CLASS(TwzHudImageListBox, TwzImageListBox)
public:
    explicit TwzHudImageListBox(rtl::TComponent* owner);

protected:
    ~TwzHudImageListBox() override = default;
};

class TwzHudHorzImageListBox : public TwzHorzImageListBox {
    RTL_CLASS(TwzHudHorzImageListBox, TwzHorzImageListBox)
public:
    explicit TwzHudHorzImageListBox(rtl::TComponent* owner);

protected:
    ~TwzHudHorzImageListBox() override = default;
};
