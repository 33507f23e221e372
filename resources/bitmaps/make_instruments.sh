#!/bin/sh
# Draws the XPM sources of the tool bars, status bar and title pictures with
# ImageMagick and the IPA Gothic face. Run once after changing a picture; the
# build converts the committed .xpm files. Usage: make_instruments.sh [outdir]
set -eu
OUT="${1:-$(dirname "$0")}"
FONT=/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf

# icon NAME WIDTH HEIGHT BACKGROUND GLYPH GLYPHCOLOUR GLYPHSIZE LABEL LABELSIZE
icon() {
  convert -size "$2x$3" xc:"$4" -fill none -stroke '#8890A0' -draw "rectangle 0,0 $(($2-1)),$(($3-1))" \
    -stroke none -font "$FONT" -fill "$6" -pointsize "$7" -gravity north -annotate +0+2 "$5" \
    -fill '#202020' -pointsize "$9" -gravity south -annotate +0+2 "$8" \
    +dither -colors 16 "xpm:$OUT/$1.xpm"
  sed -i "s/^static char \*[^[]*\[\]/static char *$1[]/" "$OUT/$1.xpm"
}
main() { icon "$1" 56 56 '#E6E9F0' "$2" "$3" 28 "$4" 11; }
tool() { icon "$1" 52 44 '#F2F2F6' "$2" "$3" 20 "$4" 10; }

main tb_new '新' '#2050A0' '新規作成'
main tb_open '開' '#2050A0' '開く'
main tb_twain '撮' '#207040' 'カメラ入力'
main tb_save '保' '#2050A0' '保存'
main tb_catalog '覧' '#207040' '一覧'
main tb_print '印' '#2050A0' '印刷'
main tb_undo '戻' '#A04020' '元に戻す'
main tb_redo '進' '#A04020' 'やり直し'
main tb_copy '複' '#6030A0' 'コピー'
main tb_paste '貼' '#6030A0' '貼り付け'
main tb_ppaste '素' '#6030A0' '素材'
main tb_zmp '＋' '#205080' '拡大'
main tb_zmm '－' '#205080' '縮小'

tool tb2_select '層' '#2050A0' 'レイヤー'
tool tb2_hand '手' '#806020' '手のひら'
tool tb2_cl '写' '#207040' 'クローン'
tool tb2_effect '効' '#A02060' 'エフェクト'
tool tb2_mix '合' '#A02060' '合成'
tool tb2_ooi '覆' '#A06020' '覆い焼き'
tool tb2_yaki '焼' '#A06020' '焼き込み'
tool tb2_ondo '温' '#C04020' '色温度'
tool tb2_trim '切' '#207040' 'トリミング'
tool tb2_rtt '回' '#207040' '回転'
tool tb2_auto '自' '#2060A0' '自動補正'
tool tb2_brc '調' '#2060A0' '色調補正'
tool tb2_pen '筆' '#202020' 'ブラシ'
# The colour temperature's pen button when not pressed.
icon tb2_pen__ 52 44 '#FFFFFF' '筆' '#2050A0' 20 'ブラシ' 10
tool tb2_stamp '印' '#A02060' 'スタンプ'
tool tb2_eraser '消' '#606060' 'ケシゴム'
tool tb2_spoit '滴' '#2060A0' 'スポイト'
tool tb2_text '文' '#202020' '文字'
tool tb2_box '□' '#2050A0' '長方形'
tool tb2_circle '○' '#2050A0' '円'
tool tb2_cgr '◎' '#2050A0' 'グラデ'
tool tb2_wire '∽' '#2050A0' 'なげなわ'
tool tb2_gline '／' '#404040' '直線'
tool tb2_gbox '□' '#404040' '四角'
tool tb2_gcrcl '○' '#404040' '円'
tool tb2_gpoly '△' '#404040' '多角形'
tool tb2_gboxf '■' '#404040' '四角塗り'
tool tb2_gcrclf '●' '#404040' '円塗り'
tool tb2_gpolyf '▲' '#404040' '多角塗り'

# Hover frame of the main bar: the mask clears a 3-pixel frame, the frame colour
# is put in with SRCINVERT.
convert -size 56x56 xc:black -fill white -draw 'rectangle 3,3 52,52' xpm:"$OUT/tb_hover_mask.xpm"
convert -size 56x56 xc:black -fill none -stroke '#FF9020' -strokewidth 3 -draw 'rectangle 1,1 54,54' \
  +dither -colors 4 xpm:"$OUT/tb_hover.xpm"
# Pressed tool button: a dark frame over a dimmed face.
convert -size 52x44 xc:'#D0D0D0' -fill none -stroke black -draw 'rectangle 0,0 51,43' -draw 'rectangle 1,1 50,42' \
  xpm:"$OUT/tb2_push_.xpm"
convert -size 52x44 xc:black xpm:"$OUT/tb2_push.xpm"
# Page tabs of the pen option bar.
convert -size 128x32 gradient:'#5A8CE0-#2C5AA8' -fill none -stroke '#1C3A70' -draw 'rectangle 0,0 127,31' \
  +dither -colors 16 xpm:"$OUT/tb_tab1.xpm"
convert -size 128x32 gradient:'#F0F0F4-#C8CAD2' -fill none -stroke '#9096A4' -draw 'rectangle 0,0 127,31' \
  +dither -colors 16 xpm:"$OUT/tb_tab2.xpm"
# Control panel button (shown: up, hidden: down) and the tablet button.
for d in up dw; do
  if [ $d = up ]; then P='16,8 26,22 6,22'; else P='6,10 26,10 16,24'; fi
  convert -size 32x32 xc:'#E6E9F0' -fill none -stroke '#8890A0' -draw 'rectangle 0,0 31,31' -stroke none \
    -fill '#2050A0' -draw "polygon $P" +dither -colors 8 xpm:"$OUT/tb_$d.xpm"
done
# Up and down buttons of the adjustment panels' levels (20 x 32).
for d in up down; do
  if [ $d = up ]; then P='10,10 16,20 4,20'; else P='4,12 16,12 10,22'; fi
  convert -size 20x32 xc:'#E6E9F0' -fill none -stroke '#8890A0' -draw 'rectangle 0,0 19,31' -stroke none \
    -fill '#2050A0' -draw "polygon $P" +dither -colors 8 xpm:"$OUT/num_$d.xpm"
  sed -i "s/^static char \*[^[]*\[\]/static char *num_$d[]/" "$OUT/num_$d.xpm"
done
icon tb_pen 32 28 '#E6E9F0' 'ペン' '#404040' 12 '' 1
icon flt_pen 24 24 '#A0B8E0' '筆' '#FFFFFF' 16 '' 1
icon flt_pen__ 24 24 '#E6E9F0' '筆' '#2050A0' 16 '' 1
# Progress bar of the status bar: 300 x 12, blue to green.
convert -size 12x300 gradient:'#30C060-#3060E0' -rotate 90 -fill none -stroke '#204080' \
  -draw 'rectangle 0,0 299,11' +dither -colors 24 xpm:"$OUT/percent.xpm"
# Title picture (stretched over the 600 x 400 window).
convert -size 300x200 gradient:'#FFFFFF-#BCD0F0' -font "$FONT" -fill '#1C3A70' -pointsize 30 -gravity northwest \
  -annotate +24+40 'Darna Studio' -pointsize 14 -annotate +26+82 'for Tabrix' -fill '#3060C0' -pointsize 11 \
  -annotate +26+150 'ペイント・フォトレタッチ' -fill none -stroke '#1C3A70' -draw 'rectangle 0,0 299,199' \
  +dither -colors 32 xpm:"$OUT/title.xpm"
for f in tb_hover_mask tb_hover tb2_push_ tb2_push tb_tab1 tb_tab2 tb_up tb_dw percent title; do
  sed -i "s/^static char \*[^[]*\[\]/static char *$f[]/" "$OUT/$f.xpm"
done
