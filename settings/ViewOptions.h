#ifndef VIEWOPTIONS_H
#define VIEWOPTIONS_H

// The window's view options the operator switches from the View menu, kept
// beside the window's layout in the store.
class ViewOptions
{
public:
    static bool neededOnly();
    static void setNeededOnly(bool bNeededOnly);

    // The window's colours: the desktop's, or light or dark whatever the
    // desktop uses. Stored as its name, so that a value from a later
    // version reads as System.
    enum class Theme { System, Light, Dark };
    static Theme theme();
    static void setTheme(Theme theme);
};

#endif // VIEWOPTIONS_H
