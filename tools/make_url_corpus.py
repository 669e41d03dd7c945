#!/usr/bin/env python3
"""Writes the address corpora the delivered black list is checked against (tests/data/urls/).

  ordinary.txt        addresses of pages a user opens: search results, shops, help pages, news,
                      webmail, sites with folders named like ads, and addresses that mention the
                      listed ad servers in their path or query. None may be closed.
  popup_ads.txt       pop-up advertisement windows served by the ad servers the list names. Every
                      one must be closed.
  popup_ads_other.txt pop-up advertisement windows of servers the list does not name (a site's own
                      ad pages, made-up ad networks): counted by the benchmark, not claimed.

Host names are made up (example.com and the like) or well-known public ones; the addresses are
made up. Deterministic: the same bytes on every run, no randomness. One address a line, LF line
ends; lines starting with "#" are comments. Addresses are ASCII, apart from a few search and page
addresses with raw code page 936 bytes, as Internet Explorer shows them.

Usage: python3 tools/make_url_corpus.py [output folder]
"""
import os
import sys

# ---------------------------------------------------------------------------------------------
# The ad servers, as the addresses name them: every host the list's patterns stand for, with the
# forms a "?" of the pattern takes.

AD_HOSTS = [
    "doubleclick.net", "ad.doubleclick.net", "ad.uk.doubleclick.net", "ad.cn.doubleclick.net",
    "ad.de.doubleclick.net", "ad.jp.doubleclick.net", "googleads.g.doubleclick.net",
    "pubads.g.doubleclick.net", "securepubads.g.doubleclick.net", "s0.2mdn.net", "s1.2mdn.net",
    "pagead2.googlesyndication.com", "tpc.googlesyndication.com", "www.googleadservices.com",
    "ad.yieldmanager.com", "view.atdmt.com", "servedby.advertising.com", "a.tribalfusion.com",
    "media.fastclick.net", "ib.adnxs.com", "adserver.adtech.de", "track.adform.net",
    "c1.zedo.com", "c5.zedo.com", "serve.popads.net", "ad.zanox.com", "cpro.baidu.com",
    "pos.baidu.com", "p.tanx.com",
]


def num(i, k=1, width=6):
    """A made-up number that looks random: the same for the same i and k."""
    return str((i * 7919 + k * 104729 + 12345) % (10 ** width)).zfill(width)


SITES = ["news.example.com", "sports.example.net", "portal.example.cn", "games.example.org",
         "video.example.com", "bbs.example.cn"]
ADVERTISERS = ["www.shop.example", "offers.example.com", "www.casino.example",
               "www.loans.example.net", "deals.example.org"]

# Paths each ad server serves pop-up windows and ad pages under; {n}, {m} numbers, {site} a
# publisher, {adv} an advertiser.
AD_PATHS = {
    "doubleclick.net": ["/adj/{site}/home;sz=468x60;ord={n}?", "/", "/clk;{n};{m};a?http://{adv}/"],
    "ad.doubleclick.net": [
        "/adj/{site}/home;sz=468x60;ord={n}?", "/adi/N{n}.{site}/B{m};sz=300x250;ord={n}?",
        "/clk;{n};{m};a?http://{adv}/offer", "/jump/{site}/popup;sz=1x1;ord={n}?",
        "/ad/{site}/zone;tile=1;sz=1x1;ord={n}", "/pfadx/{site}/video;sz=640x480;ord={n}",
        "/ddm/clk/{n};{m};k", "/click;h=v8/{n}/3b/0/*/d;{m};0-0;0;{n};4307-300/250;0/0/0;;~sscs=%3f",
        "/N{n}/adj/{site};sz=728x90;ord={m}?", "/adi/{site}/interstitial;dcopt=ist;sz=1x1;ord={n}?",
        "/activity;src={n};type=sales;cat={m};ord=1?",
    ],
    "ad.uk.doubleclick.net": ["/adj/{site}/uk;sz=468x60;ord={n}?", "/adi/{site}/pop;sz=1x1;ord={n}?"],
    "ad.cn.doubleclick.net": ["/adj/{site}/cn;sz=300x250;ord={n}?", "/clk;{n};{m};a?http://{adv}/"],
    "ad.de.doubleclick.net": ["/adi/{site}/de;sz=1x1;ord={n}?", "/jump/{site}/de;ord={n}?"],
    "ad.jp.doubleclick.net": ["/adj/{site}/jp;sz=728x90;ord={n}?"],
    "googleads.g.doubleclick.net": [
        "/pagead/ads?client=ca-pub-{n}{m}&format=300x250&output=html&h=250&w=300&url=http%3A%2F%2F{site}%2F",
        "/pagead/adview?ai=C{n}&sigh={m}&adurl=http://{adv}/",
        "/aclk?sa=L&ai=C{n}&num=1&adurl=http://{adv}/",
        "/pagead/viewthroughconversion/{n}/?value=0&guid=ON&script=0",
    ],
    "pubads.g.doubleclick.net": [
        "/gampad/ads?sz=300x250&iu=/{n}/{site}&c={m}&correlator={n}{m}",
        "/gampad/jump?iu=/{n}/{site}/pop&sz=1x1&c={m}",
        "/gampad/clk?id={n}&iu=/{m}/{site}", "/gampad/adx?iu=/{n}/{site}&sz=1x1&oop=1",
    ],
    "securepubads.g.doubleclick.net": ["/gampad/ads?sz=728x90&iu=/{n}/{site}&correlator={m}",
                                       "/pcs/view?xai=AKAOjs{n}&sig=Cg0A{m}"],
    "s0.2mdn.net": ["/{n}/{m}_300x250.swf", "/ads/richmedia/studio/{n}/{m}_index.html",
                    "/viewad/{n}/468x60.gif"],
    "s1.2mdn.net": ["/{n}/pop_{m}.html", "/ads/studio/{n}/banner.html?click=http://{adv}/"],
    "pagead2.googlesyndication.com": [
        "/pagead/ads?client=ca-pub-{n}{m}&dt={n}&format=728x90_as&output=html",
        "/pagead/show_ads.js", "/pagead/imgad?id=CICAgK{n}", "/pagead/iclk?sa=l&ai=B{n}&num=1",
        "/pagead/popup.html?ai={n}",
    ],
    "tpc.googlesyndication.com": ["/simgad/{n}{m}", "/safeframe/1-0-{n}/html/container.html",
                                  "/pagead/imgad?id=CICAgKD{n}", "/sodar/{n}.html"],
    "www.googleadservices.com": ["/pagead/aclk?sa=L&ai=C{n}&num=1&adurl=http://{adv}/",
                                 "/pagead/conversion/{n}/?label={m}&guid=ON",
                                 "/pagead/aclk?sa=l&ai=B{m}&adurl=http://{adv}/landing"],
    "ad.yieldmanager.com": [
        "/imp?Z=300x250&s={n}&_salt={m}&u=http%3A%2F%2F{site}%2F",
        "/st?ad_type=pop&ad_size=0x0&section={n}&pub_url=http%3A%2F%2F{site}%2F",
        "/iframe3?AAAAA{n}AAAA&click=http://{adv}/", "/pop?v=2&s={n}",
    ],
    "view.atdmt.com": ["/AST/view/{n}/direct/01/", "/MRT/iview/{n}/direct;wi.300;hi.250/01/",
                       "/CNT/iview/{n}/direct/01/{m}", "/action/{site}_pop_{n}",
                       "/AST/click/{n}/direct/01/{m}"],
    "servedby.advertising.com": ["/click/site={n}/bnum={m}", "/pops=4/site={n}/size=0/bnum={m}",
                                 "/site={n}/size=300250/u=2/bnum={m}/hr=5/hl=1/c=2/scres=5"],
    "a.tribalfusion.com": ["/h.click/{n}/http://{adv}/", "/j.ad?site={site}&adSpace=pop&size=1x1&r={n}",
                           "/p.media/a{n}p{m}/pop.html", "/i.ad?site={site}&page=home&r={m}"],
    "media.fastclick.net": ["/w/pop.cgi?sid={n}&m=2&v=1.8&c={m}", "/w/get.media?sid={n}&m=1&tp=5&d=s",
                            "/w/click.here?sid={n}&m=1&c={m}", "/w/pop.cgi?sid={m}&m=6&tp=2"],
    "ib.adnxs.com": ["/tt?id={n}&size=300x250&cb={m}", "/click?AAAA{n}AAAA/http://{adv}/",
                     "/ttj?id={n}&cb={m}&referrer={site}", "/if?enc=AAAA{m}&e=wqT_3QL",
                     "/pop?id={n}&size=1x1"],
    "adserver.adtech.de": ["/?adrawdata/3.0/{n}/{m}/0/16/header=yes;adct=text/html;misc={n}",
                           "/adlink|3.0|{n}|{m}|1|16|AdId={n};BnId=1;itime={m};",
                           "/?advideo/3.0/{n}/{m}/0/0/"],
    "track.adform.net": ["/adfserve/?bn={n};srctype=4;ord={m}", "/C/?bn={n};crtbwp=Adf_{m}",
                         "/adfscript/?bn={n};pop=1", "/Banners/Invisible.gif?bn={m}"],
    "c1.zedo.com": ["/jsc/c1/ff2.html?n={n};c={m};s=1;d=9;w=300;h=250", "/bar/v16-{n}/d3/jsc/fmr.js"],
    "c5.zedo.com": ["/jsc/c5/fhs.js?n={n};c={m};s=2;d=14;w=1;h=1", "/log/p.gif?a={n};g=0;c={m}"],
    "serve.popads.net": ["/servePopunder.php?cid={n}&ts={m}", "/s?cid={n}&ts={m}&t=p",
                         "/c?cid={n}&pid={m}", "/pu?cid={m}&ref=http%3A%2F%2F{site}%2F"],
    "ad.zanox.com": ["/ppc/?{n}C{m}T", "/ppv/?{n}C{m}", "/ppc/?{m}C{n}&ULP=http://{adv}/",
                     "/ppl/?{n}C{m}"],
    "cpro.baidu.com": [
        "/cpro/ui/uijs.php?rs=1&u=http%3A%2F%2F{site}%2F&p=baidu&c=news&n=10&t=tpclicked3_hc&q={n}",
        "/cpro/ui/click.php?{n}{m}", "/cpro/ui/c.js", "/cpro/ui/dd.php?di={n}",
    ],
    "pos.baidu.com": ["/acom?adn=3&at=103&aurl=&cad=1&ccd=32&cec=GBK&di=u{n}",
                      "/ecom?di=u{n}&dri=0&dis=0&dai=1&ps={m}x0", "/s?hei=250&wid=300&di=u{n}&ltu=http%3A%2F%2F{site}%2F"],
    "p.tanx.com": ["/ex?i=mm_{n}_{m}_1&cb=jsonp_callback_{n}", "/ex?i=mm_{m}_{n}_2&ref=http%3A%2F%2F{site}%2F",
                   "/cpro?mm_{n}", "/click?e={n}{m}&u=http://{adv}/"],
}


def ad_addresses():
    out = []
    i = 0
    for host in AD_HOSTS:
        for j, path in enumerate(AD_PATHS[host]):
            # securepubads serves over https only, and the list names only that form.
            for scheme in ("https",) if host.startswith("securepubads.") else ("http", "https"):
                i += 1
                out.append(scheme + "://" + host + path.format(
                    n=num(i), m=num(i, 2), site=SITES[i % len(SITES)],
                    adv=ADVERTISERS[i % len(ADVERTISERS)]))
    # As a window may report them: letters in upper case.
    out += ["HTTP://AD.DOUBLECLICK.NET/adj/News.Example.com/Home;sz=468x60;ord=1?",
            "http://Ad.YieldManager.com/st?ad_type=pop&section=77",
            "https://PAGEAD2.googlesyndication.com/pagead/ads?client=ca-pub-1"]
    return out


# Pop-up windows of servers the list does not name: a site's own ad pages, made-up networks.
OTHER_AD_HOSTS = ["pop.adnet.example", "ads.mediabuy.example.com", "www.popunder.example.net",
                  "ad.cnportal.example.cn", "banner.example-union.cn", "click.affiliate.example"]
OTHER_AD_PATHS = ["/pu?id={n}&sub={m}", "/ads/popup.php?zone={n}", "/adclick.php?bannerid={n}&dest=http://{adv}/",
                  "/show.php?z={n}&type=popunder", "/banners/pop_{m}.html", "/www/delivery/ck.php?oaparams=2__bannerid={n}"]
OTHER_PUBLISHERS = ["www.example.cn", "www.portal.example.cn", "www.freegames.example", "bbs.forum.example.cn",
                    "www.download.example.net"]
OTHER_PUBLISHER_PATHS = ["/adserver/popup.html", "/ads/popup/{n}.html", "/popup/ad_{n}.htm", "/ad/pop.html?id={n}",
                         "/adserver/popunder.php?z={n}"]


def other_ad_addresses():
    out = []
    i = 0
    for host in OTHER_AD_HOSTS:
        for path in OTHER_AD_PATHS:
            i += 1
            out.append("http://" + host + path.format(n=num(i, 3), m=num(i, 4),
                                                      adv=ADVERTISERS[i % len(ADVERTISERS)]))
    for host in OTHER_PUBLISHERS:
        for path in OTHER_PUBLISHER_PATHS:
            i += 1
            out.append("http://" + host + path.format(n=num(i, 5, 4)))
    return out


# ---------------------------------------------------------------------------------------------
# Ordinary addresses.

ENGINES = [
    "https://www.google.com/search?q={q}",
    "http://www.google.com/search?hl=zh-CN&q={q}&btnG=Google+Search",
    "https://www.bing.com/search?q={q}&form=QBLH",
    "https://www.baidu.com/s?wd={q}&ie=utf-8",
    "https://search.yahoo.com/search?p={q}&fr=yfp-t",
    "https://duckduckgo.com/?q={q}&ia=web",
    "https://www.sogou.com/web?query={q}",
]

QUERIES = [
    "how+to+block+popup+ads", "how to block popup ads", "what+is+doubleclick.net",
    "doubleclick.net", "ad.doubleclick.net", "ad.doubleclick.net%2Fadj", "googlesyndication.com+virus",
    "pagead2.googlesyndication.com", "adsystem", "adsystem+parts", "popup+tent", "popup+camper+trailer",
    "banner+printing+near+me", "adclick", "adclick.php+script", "ads.txt+file", "ad+blocker+internet+explorer",
    "popunder", "popads", "popads.net+review", "ib.adnxs.com", "adnxs", "yieldmanager+popups",
    "view.atdmt.com", "media.fastclick.net+pop.cgi", "tribalfusion", "track.adform.net", "c1.zedo.com",
    "adserver.adtech.de", "cpro.baidu.com", "pos.baidu.com", "p.tanx.com", "ad.zanox.com",
    "s0.2mdn.net", "googleadservices.com", "www.googleadservices.com", "servedby.advertising.com",
    "site%3Adoubleclick.net", "inurl%3Aadj+doubleclick", "http%3A%2F%2Fad.doubleclick.net%2F",
    "ipad+air+ad+banner", "adidas+popup+store", "remove+adware+popups", "ad+hoc+network",
    "%E5%B9%BF%E5%91%8A%E6%8B%A6%E6%88%AA", "%E5%BC%B9%E7%AA%97%E5%B9%BF%E5%91%8A",
    "\xb9\xe3\xb8\xe6\xc0\xb9\xbd\xd8", "\xb5\xaf\xb4\xb0+popup", "google+ads+aclk", "baidu.php%3Furl",
]

SHOPS = [
    "https://www.amazon.com/{slug}/dp/B0{n}",
    "https://www.ebay.com/itm/{slug}/{n}{m}",
    "https://item.taobao.com/item.htm?id={n}{m}&spm=a21n57.1.0.0&title={slug}",
    "https://item.jd.com/{n}.html?from={slug}",
    "https://www.walmart.com/ip/{slug}/{n}",
]

PRODUCT_SLUGS = [
    "popup-tent-2-person-beach-shade", "pop-up-canopy-10x10-ad-edition", "adblue-diesel-exhaust-fluid-10l",
    "adidas-ultraboost-22-running-shoes", "ipad-air-case-with-keyboard", "roll-up-banner-stand-85x200",
    "vinyl-banner-printing-3x6-ft", "adsystem-ads-b-receiver-1090mhz", "usb-c-adapter-hdmi",
    "gaming-headset-adjustable", "popup-book-for-kids-dinosaurs", "banner-flag-pole-kit",
    "advent-calendar-2024", "adhesive-tape-double-sided", "adjustable-standing-desk",
    "doubleclick-mouse-switch-repair-kit", "adclick-counter-tally", "popup-sink-drain-stopper",
    "ads-b-antenna-outdoor", "banners-and-signs-party-pack", "ad-free-streaming-stick",
    "pagead-stand-a4", "adserver-rack-1u", "pop-up-display-stand-ad-board", "radiator-adblue-cap",
]

HELP_PAGES = [
    "https://support.microsoft.com/en-us/windows/block-pop-ups-in-internet-explorer-2ef8a5c1",
    "https://support.microsoft.com/en-us/topic/block-popups-advanced-settings-6d5b2b6e",
    "https://windows.microsoft.com/en-us/internet-explorer/ie-security-privacy-settings#ie=ie-11",
    "https://support.mozilla.org/en-US/kb/pop-blocker-settings-exceptions-troubleshooting",
    "https://support.google.com/chrome/answer/95472?hl=en&co=GENIE.Platform%3DDesktop",
    "https://support.google.com/adsense/answer/9274634?hl=en",
    "https://support.google.com/admanager/answer/6238696",
    "https://support.google.com/google-ads/answer/2375464?hl=zh-Hans",
    "https://developers.google.com/doubleclick-gpt/reference",
    "https://developers.google.com/doubleclick-advertisers/guides/get_started",
    "https://developers.google.com/ad-manager/api/start",
    "https://developers.google.com/adsense/management/",
    "https://ads.google.com/home/",
    "https://ads.google.com/intl/zh-CN_cn/home/how-it-works/",
    "https://adsense.google.com/start/",
    "https://www.google.com/adsense/start/",
    "https://www.google.com/ads/",
    "https://marketingplatform.google.com/about/enterprise/",
    "https://www.doubleclickbygoogle.com/",
    "https://www.advertising.com/",
    "https://www.adform.com/",
    "https://www.popads.net/",
    "https://www.popads.net/faq.html",
    "https://www.zanox.com/",
    "https://www.tanx.com/",
    "https://union.baidu.com/",
    "https://www.alimama.com/index.htm",
    "https://help.baidu.com/question?prod_id=1&class=318&id=1560",
    "https://help.yahoo.com/kb/SLN2224.html",
    "https://helpx.adobe.com/acrobat/using/pop-up-notes.html",
    "https://docs.python.org/3/library/tkinter.html#popup-menus",
    "https://developer.mozilla.org/en-US/docs/Web/API/Window/open",
    "https://developer.mozilla.org/en-US/docs/Web/HTML/Element/a#attr-ping",
    "https://learn.microsoft.com/en-us/previous-versions/windows/internet-explorer/ie-developer/platform-apis/aa752084(v=vs.85)",
    "https://learn.microsoft.com/en-us/windows/win32/controls/create-a-popup-menu",
    "https://en.wikipedia.org/wiki/DoubleClick",
    "https://en.wikipedia.org/wiki/Pop-up_ad",
    "https://en.wikipedia.org/wiki/Ad_blocking",
    "https://en.wikipedia.org/wiki/Automatic_dependent_surveillance_%E2%80%93_broadcast",
    "https://zh.wikipedia.org/wiki/%E5%BC%B9%E5%87%BA%E5%BC%8F%E5%B9%BF%E5%91%8A",
    "https://baike.baidu.com/item/%E5%BC%B9%E7%AA%97%E5%B9%BF%E5%91%8A/1234567",
    "https://www.w3.org/TR/html52/browsers.html#popup-blocker",
    "https://forums.example.com/t/ie-closes-my-bank-popup-window/4411",
    "https://answers.microsoft.com/en-us/ie/forum/all/ads-by-adsystem-keep-popping-up/8c1f",
    "https://stackoverflow.com/questions/2587677/avoid-browser-popup-blockers",
    "https://stackoverflow.com/questions/tagged/doubleclick",
    "https://superuser.com/questions/1234/how-do-i-stop-ad-doubleclick-net-popups",
    "https://www.virustotal.com/gui/domain/ad.doubleclick.net/detection",
    "https://urlscan.io/domain/pagead2.googlesyndication.com",
    "https://whois.example.com/ad.doubleclick.net/",
    "https://www.robtex.example/dns-lookup/ib.adnxs.com/",
    "https://web.archive.org/web/2006/http://ad.doubleclick.net/adj/site;sz=468x60",
    "https://web.archive.org/web/2004*/media.fastclick.net/*",
    "https://github.com/easylist/easylist/blob/master/easylist/easylist_adservers.txt",
    "https://adblockplus.org/en/filter-cheatsheet",
    "https://www.iab.com/guidelines/ads-txt/",
    "https://ad.nl/",
    "https://www.ad.nl/binnenland/popup-restaurant-opent-in-utrecht~a4f2/",
    "http://ad.nl/sport/",
    "about:blank",
    "about:Tabs",
    "res://ieframe.dll/navcancl.htm#http://ad.example/",
    "res://ieframe.dll/dnserror.htm#http://www.example.com/",
]

NEWS = [
    "https://www.bbc.co.uk/news/technology-{n}",
    "https://www.nytimes.com/2019/03/{d}/technology/{slug}.html",
    "https://www.theguardian.com/media/2018/jan/{d}/{slug}",
    "https://news.sina.com.cn/c/2008-07-{d}/{n}.shtml?from={slug}",
    "https://news.163.com/08/07{d}/{n}.html#{slug}",
    "https://www.reuters.com/technology/{slug}-{n}/",
    "https://edition.cnn.com/2017/05/{d}/tech/{slug}/index.html",
    "https://www.chinadaily.com.cn/a/2019{d}/{n}.html?{slug}",
    "https://techcrunch.com/2016/02/{d}/{slug}/",
    "https://www.wired.com/story/{slug}/?mbid=social_{n}",
]

NEWS_SLUGS = [
    "online-ad-fraud-doubleclick-net-investigation", "pop-up-store-opens-downtown",
    "banner-year-for-retail-ads", "ad-blocking-rises-among-readers", "popup-ads-return-on-mobile",
    "googlesyndication-outage-breaks-sites", "adsystem-failure-grounds-flights",
    "who-runs-ib-adnxs-com", "adclick-fraud-ring-busted", "ads-banned-on-buses",
    "popunder-networks-fined", "banners-fly-over-stadium",
]

WEBMAIL = [
    "https://mail.google.com/mail/u/0/#inbox/FMfcgz{n}",
    "https://mail.google.com/mail/u/0/#search/doubleclick.net+{n}",
    "https://mail.google.com/mail/u/0/?ui=2&ik={n}&view=pt&search=all&permthid=thread-f%3A{m}",
    "https://outlook.live.com/mail/0/inbox/id/AQMkADAw{n}",
    "https://outlook.live.com/mail/0/deeplink/compose?popoutv2=1&subject=ads+{m}",
    "https://mail.163.com/js6/main.jsp?sid={n}&df=mail163_letter#module=read.ReadModule%7C%7B%22id%22%3A%22{m}%22%7D",
    "https://mail.qq.com/cgi-bin/frame_html?sid={n}&r={m}&popup=1",
    "https://mail.yahoo.com/d/folders/1/messages/{n}?.intl=us&ad=0",
    "https://mail.sina.com.cn/classic/index.php#action=mailread&mid={n}&banner=off",
    "http://webmail.example.net/roundcube/?_task=mail&_action=show&_uid={n}&_mbox=Ads",
]

# Ordinary sites with folders and files named like ads.
SITE_FOLDERS = [
    "http://www.photo-club.example/banners/summer-{n}.jpg",
    "http://www.photo-club.example/banners/",
    "http://www.school.example.edu/ads/classifieds/{n}.html",
    "https://www.craigslist.org/about/help/posting_ads",
    "https://sfbay.craigslist.org/search/sss?query=popup+tent&ads={n}",
    "http://www.town.example.gov/popup/council-notice-{n}.pdf",
    "http://www.museum.example/exhibits/adclick-art-{n}/",
    "http://shop.example.com/adserver/parts/{n}",
    "http://intranet.example.com/ads/popup/approve?id={n}",
    "https://www.example.com/pop.php?page={n}",
    "https://www.example.com/popunder-history.html#{n}",
    "http://bbs.example.cn/forum.php?mod=viewthread&tid={n}&extra=page%3D1&ad=1",
    "https://www.flyers.example/adsystem/manual-{n}.pdf",
    "https://www.example.org/banners/ad{n}.gif",
]

# Addresses that name an ad server somewhere past their own host: searches, redirects, lookups,
# archives, hosts that only begin like an ad server. {h} is an ad host.
MENTIONS = [
    "https://www.google.com/search?hl=en&q={h}&oq={h}",
    "https://www.google.com/search?q={h}/",
    "https://www.google.com/url?q=http://{h}/x&sa=U&ved=0ah",
    "http://evil.example/?x=.{h}/",
    "http://www.example.com/{h}/",
    "https://www.example.com/redirect?to=https://{h}/pop",
    "http://{h}.example.com/",
    "http://www.{h}.example.org/news/",
    "https://lookup.example.net/host/{h}",
    "https://web.archive.org/web/2007/http://{h}/",
    "https://www.bing.com/search?q=%22{h}%22+popup",
    "https://www.example.com/blog/why-{h}-opens-windows.html",
]


def ordinary_addresses():
    out = list(HELP_PAGES)
    for e, engine in enumerate(ENGINES):
        for q, query in enumerate(QUERIES):
            if (e + q) % 7 == 6:  # leave a few out: 300 searches are plenty
                continue
            out.append(engine.format(q=query))
    i = 0
    for shop in SHOPS:
        for slug in PRODUCT_SLUGS:
            i += 1
            out.append(shop.format(slug=slug, n=num(i, 6, 8), m=num(i, 7, 4)))
    for news in NEWS:
        for slug in NEWS_SLUGS:
            i += 1
            out.append(news.format(slug=slug, n=num(i, 8), d=str(1 + i % 28).zfill(2)))
    for mail in WEBMAIL:
        for k in range(6):
            i += 1
            out.append(mail.format(n=num(i, 9, 10), m=num(i, 10, 8)))
    for folder in SITE_FOLDERS:
        for k in range(3):
            i += 1
            address = folder.format(n=num(i, 11, 4))
            if address not in out:
                out.append(address)
    for host in AD_HOSTS:
        for mention in MENTIONS:
            out.append(mention.format(h=host))
    return out


def write(folder, name, header, lines):
    assert len(lines) == len(set(lines)), name + " holds an address twice"
    with open(os.path.join(folder, name), "wb") as f:
        for h in header:
            f.write(("# " + h + "\n").encode("ascii"))
        for line in lines:
            assert line and not line.startswith("#") and "\n" not in line
            f.write(line.encode("latin-1") + b"\n")


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "tests", "data", "urls")
    os.makedirs(folder, exist_ok=True)
    made = "Written by tools/make_url_corpus.py; change that script, not this file."
    write(folder, "ordinary.txt",
          ["Addresses of ordinary pages: the delivered black list must close none of them.", made],
          ordinary_addresses())
    write(folder, "popup_ads.txt",
          ["Pop-up advertisement windows of the ad servers the delivered black list names:",
           "it must close every one.", made], ad_addresses())
    write(folder, "popup_ads_other.txt",
          ["Pop-up advertisement windows of servers the delivered black list does not name.", made],
          other_ad_addresses())


if __name__ == "__main__":
    main()
