#pragma once
// The standard file keys of the main window, beside its own F2, F3 and
// Alt+X: Ctrl+O loads and Ctrl+S saves the file of the image whose page is
// shown (Ctrl+S straight to that file when it takes the image back whole,
// else through the save dialog); on the "Programmer" page they do what F3
// and F2 do there. Ctrl+Q leaves the program as Alt+X does, after the
// unsaved-changes question.

class TMainForm;

// Makes the two actions of the window, in no menu (actOpenPageFile,
// actSavePageFile), and gives "&Exit" its second key.
void CreatePageFileKeys(TMainForm& form);
