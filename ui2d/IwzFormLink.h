#pragma once

#include <cstdint>

/// What the controls ask of the form that hosts their scene. A form component implements
/// it; the controls find the form by walking the owner chain from the scene's owner.
class IwzFormLink {
public:
    /// Sets the form's modal result; a result other than 0 ends a modal form.
    virtual void SetModalResult(int32_t value) = 0;
    /// Asks the form to close: a modal form ends with the cancel result, a plain form closes.
    virtual void CloseForm() = 0;

protected:
    ~IwzFormLink() = default;
};
