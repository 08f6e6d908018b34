#include "ui/tips.h"

namespace quillmark::ui {
namespace {

// Plain ASCII, shown as written: the quotation marks inside belong to the tips.
constexpr const char* kTips[] = {
    "The wisdom of life consists in the elimination of non-essentials. - Lin Yutang",
    "Great discoveries are made by people whose feelings run ahead of their thinking. - C. H. "
    "Parkhurst",
    "Great minds think alike. - Anonymous",
    "\"If you are the only one to come up with a specific keyword then you will be ranked #1 for "
    "that keyword.\"",
    "From the \"Investigate...\" form, you do not need to put quotation marks around your "
    "keyterms. The software automatically assumes that you are searching for the exact phrase!",
    "One accurate keyphrase driving targeted visitors is more effective than dozens keywords "
    "attracting lookers and time-wasters.",
    "Once you get suggestions for keyphrases, you can perform in-depth investigations by entering "
    "the most valuable keyterms and get even more terms!",
    "The \"Demand status\" is an estimation of the demand for each keyterm during the last month. "
    "You have to choose the most in-demand key terms.",
    "The \"Competition status\" is an estimation of the number of websites which claim that "
    "specific keyterm. You have to pick out the key terms which competitors underestimate. Be "
    "careful to avoid keyterms with ZERO competition. In fact, that does mean there ais no market "
    "for such keywords. Please refer to the profitability index.",
    "The \"Cost-per-prospect index\" is the demand-competition ratio. Consider this ratio as the "
    "number of competitors you should beat in order to win a prospect for your website from that "
    "key term! The higher is this ratio, the tougher is the competition. We recommend to keep an "
    "eye on this index when dealing with Pay-Per-Click search engines.",
    "The \"Profitability index\" is an estimation of the traffic percentage that you get from "
    "search engines from each key term. This figure is calculated depending on your rankings...",
    "You can perform a sort order for each list from the QMK main window. To do so, click on the "
    "header of the column you wish to sort... We recommend this especially for the Profitability "
    "column!",
    "You can save your selection of keyterms list into a file for further use. To do so, please "
    "first check the keyterms you want to include. Then go to the \"Keywords Menu\", \"Save "
    "Keywords List...\"",
    "From the main window, you can open a context menu to easily select items - Click the mouse "
    "right button and see...",
    "Keep in mind that you can repeat this process as many times as you wish in order to figure "
    "out all the best keywords related to your business. And \"Be specific\" !",
    "All your comments, suggestions and questions regarding this software are welcome. Please "
    "refer to the help documentation for our contact address.",
    "We are proud to offer an exclusive 12 months money-back guarantee to all our customers. "
    "That's how confident we re in our product!",
    "\"65% of the keywords you have picked out and you are actively struggling for are NOT "
    "searched by your prospective audience!\"",
    "Use specific key phrases rather than generic keywords - The more you narrow your market the "
    "more targeted visitors you'll get.",
    "Figuring out profitable keywords is a matter of thinking outside the box. Make sure to use "
    "words that your prospects would type in the search engine's box. Not words that the common "
    "sense would suggest.",
    "Use the most valuable key terms related to your business to improve Your Search Engine "
    "Optimizations, get the Most of Your Pay-Per-Click Campaigns, Earn More From Google AdSense & "
    "AdWords Programs, Boost Your Articles Promotion, Enhance the Content of Your Website "
    "Keywords, Attract Laser-Targeted Visitors Using Accurate Keywords...",
    "You can save the keyword lists you've generated with QMK to an ASCII file for future use. In "
    "fact, you'll be able to save and open all the files to further analyze, comparison, trends "
    "studies...",
};

}  // namespace

QStringList QuillmarkTips() {
  QStringList tips;
  for (const char* tip : kTips) tips.append(QString::fromLatin1(tip));
  return tips;
}

}  // namespace quillmark::ui
