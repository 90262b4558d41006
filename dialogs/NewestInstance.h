#pragma once

// The newest live object of a dialog class, reachable as
// Dialog::currentInstance. A dialog opened inside another's message loop is
// the newest while it lives; when it goes, the one it covered is again.
template <typename Dialog>
class NewestInstance {
public:
    static inline Dialog* currentInstance = nullptr;

    NewestInstance(const NewestInstance&) = delete;
    NewestInstance& operator=(const NewestInstance&) = delete;

protected:
    explicit NewestInstance(Dialog* object) : self(object), outerInstance(currentInstance) { currentInstance = object; }
    ~NewestInstance()
    {
        if (currentInstance == self)
            currentInstance = outerInstance;
    }

private:
    Dialog* const self;
    Dialog* const outerInstance;
};
