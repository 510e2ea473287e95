#ifndef VIEWOPTIONS_H
#define VIEWOPTIONS_H

// The window's view options the operator switches from the View menu, kept
// beside the window's layout in the store.
class ViewOptions
{
public:
    static bool neededOnly();
    static void setNeededOnly(bool bNeededOnly);
};

#endif // VIEWOPTIONS_H
