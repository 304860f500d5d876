// Helpers of the site-logic tests: an in-memory tree, a scripted user (message answers, dialog
// answers, menu choices), a temporary folder and a language file with the texts the logic uses.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "sites/ISiteDialog.h"
#include "sites/ISiteTree.h"
#include "sites/ITreeMenu.h"
#include "sites/IUserPrompt.h"
#include "sites/SiteLogic.h"
#include "store/IString.h"

namespace zl {

using zl::testsupport::TempFolder;

// Points the language strings at a small file, once per process (texts are cached forever).
inline void UseTestStrings() {
    static TempFolder* dir = [] {
        auto* d = new TempFolder;
        std::ofstream(*d / "lang.ini") << "[STRING]\n0=Reporter\n34=Unnamed\n56=Local\n"
                                          "500=Delete this site?\n501=Delete %1 sites?\n"
                                          "520=Site \"%1\": %2\n521=no answer\n522=refused\n"
                                          "523=no database\n524=(not connected)\n";
        IString::Instance()->SetFile(*d / "lang.ini");
        return d;
    }();
    (void)dir;
}

// A tree of nodes in memory. Deleted nodes are freed, so stale handles behave as in a real tree.
class FakeTree : public ISiteTree {
  public:
    struct Node {
        std::string text;
        int image = -1, selectedImage = -1;
        bool checked = false, expanded = false;
        Node* parent = nullptr;
        std::vector<Node*> children;
    };

    void DeleteAllItems() override {
        roots_.clear();
        nodes_.clear();
    }
    SiteTreeItem InsertItem(const std::string& text, int image, int selectedImage,
                            SiteTreeItem parent) override {
        auto node = std::make_unique<Node>();
        node->text = text;
        node->image = image;
        node->selectedImage = selectedImage;
        node->parent = N(parent);
        (parent ? N(parent)->children : roots_).push_back(node.get());
        nodes_.push_back(std::move(node));
        return nodes_.back().get();
    }
    void DeleteItem(SiteTreeItem item) override {
        Node* n = N(item);
        auto& list = n->parent ? n->parent->children : roots_;
        list.erase(std::find(list.begin(), list.end(), n));
        std::function<void(Node*)> drop = [&](Node* x) {
            for (Node* c : x->children) drop(c);
            for (auto it = nodes_.begin(); it != nodes_.end(); ++it) {
                if (it->get() == x) {
                    nodes_.erase(it);
                    break;
                }
            }
        };
        drop(n);
    }
    bool Contains(SiteTreeItem item) const override {
        for (const auto& n : nodes_)
            if (n.get() == item) return true;
        return false;
    }
    std::string GetItemText(SiteTreeItem item) const override { return N(item)->text; }
    void SetItemText(SiteTreeItem item, const std::string& text) override { N(item)->text = text; }
    int GetItemImage(SiteTreeItem item) const override { return N(item)->image; }
    int GetItemSelectedImage(SiteTreeItem item) const override { return N(item)->selectedImage; }
    bool GetCheck(SiteTreeItem item) const override { return N(item)->checked; }
    void SetCheck(SiteTreeItem item, bool checked) override { N(item)->checked = checked; }
    SiteTreeItem GetParentItem(SiteTreeItem item) const override { return N(item)->parent; }
    SiteTreeItem GetChildItem(SiteTreeItem item) const override {
        const auto& list = item ? N(item)->children : roots_;
        return list.empty() ? nullptr : list.front();
    }
    SiteTreeItem GetNextSiblingItem(SiteTreeItem item) const override {
        const Node* n = N(item);
        const auto& list = n->parent ? n->parent->children : roots_;
        auto it = std::find(list.begin(), list.end(), n);
        return it != list.end() && it + 1 != list.end() ? *(it + 1) : nullptr;
    }
    void Expand(SiteTreeItem item) override { N(item)->expanded = true; }
    void EditLabel(SiteTreeItem item) override { edited.push_back(item); }

    // Test helpers.
    const std::vector<Node*>& Roots() const { return roots_; }
    Node* Root(size_t i) const { return i < roots_.size() ? roots_[i] : nullptr; }
    std::vector<std::string> RootTexts() const {
        std::vector<std::string> out;
        for (Node* n : roots_) out.push_back(n->text);
        return out;
    }
    std::vector<SiteTreeItem> edited;

  private:
    static Node* N(SiteTreeItem item) { return static_cast<Node*>(item); }
    std::vector<std::unique_ptr<Node>> nodes_;
    std::vector<Node*> roots_;
};

// Records every message; answers from a script (default: OK for OK boxes, No for questions).
class ScriptedPrompt : public IUserPrompt {
  public:
    struct Asked {
        unsigned id;
        PromptButtons buttons;
    };
    int ShowMessage(unsigned stringId, PromptButtons buttons) override {
        asked.push_back({stringId, buttons});
        if (buttons == PromptButtons::kOk) return kAnswerOk;
        if (answers.empty()) return kAnswerNo;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    // Composed questions: recorded with their text; answered from `textAnswers` (default:
    // Cancel, the answer that keeps everything).
    int AskText(const std::string& text, PromptButtons buttons) override {
        texts.push_back(text);
        asked.push_back({0, buttons});
        if (buttons == PromptButtons::kOk) return kAnswerOk;
        if (textAnswers.empty())
            return buttons == PromptButtons::kOkCancel ? kAnswerCancel : kAnswerNo;
        const int a = textAnswers.front();
        textAnswers.pop_front();
        return a;
    }
    std::vector<unsigned> Ids() const {
        std::vector<unsigned> ids;
        for (const Asked& a : asked) ids.push_back(a.id);
        return ids;
    }
    std::deque<int> answers;
    std::deque<int> textAnswers;
    std::vector<Asked> asked;
    std::vector<std::string> texts;
};

// Each call takes the next scripted step; it sees the prefilled fields and may fill them in
// (return true = OK) or cancel (false). No steps left: cancel.
class ScriptedDialog : public ISiteDialog {
  public:
    using Step = std::function<bool(SiteDialogFields&, SiteDialogPurpose)>;
    bool Run(SiteDialogFields& fields, SiteDialogPurpose purpose) override {
        seen.push_back(fields);
        purposes.push_back(purpose);
        if (steps.empty()) return false;
        Step step = steps.front();
        steps.pop_front();
        SiteDialogFields answer = fields;
        if (!step(answer, purpose)) return false;
        fields = answer;
        return true;
    }
    void Ok(std::function<void(SiteDialogFields&)> fill) {
        steps.push_back([fill](SiteDialogFields& f, SiteDialogPurpose) {
            fill(f);
            return true;
        });
    }
    void Cancel() {
        steps.push_back([](SiteDialogFields&, SiteDialogPurpose) { return false; });
    }
    std::deque<Step> steps;
    std::vector<SiteDialogFields> seen;
    std::vector<SiteDialogPurpose> purposes;
};

class ScriptedMenu : public ITreeMenu {
  public:
    int Track(const std::vector<TreeMenuEntry>& entries, int x, int y, bool atCursor) override {
        shown = entries;
        lastX = x;
        lastY = y;
        lastAtCursor = atCursor;
        return choose;
    }
    int choose = 0;
    std::vector<TreeMenuEntry> shown;
    int lastX = -1, lastY = -1;
    bool lastAtCursor = false;
};

// A site logic over its own list with the scripted user; closes every site at the end.
struct SiteHarness {
    SiteHarness() { UseTestStrings(); }
    ~SiteHarness() { logic.CloseAllSites(); }
    std::vector<SiteRecord> sites;
    FakeTree tree;
    ScriptedPrompt prompt;
    ScriptedDialog dialog;
    ScriptedMenu menu;
    SiteLogic logic{sites, tree, prompt, dialog, menu};
};

inline std::vector<int> UsedCameras(const SiteRecord& s) {
    std::vector<int> out;
    for (int k = 0; k < kCameraSlots; ++k)
        if (s.cameras[static_cast<size_t>(k)].used) out.push_back(k + 1);
    return out;
}

}  // namespace zl
